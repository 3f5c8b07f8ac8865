// What the user asks of sharing outside the dialog: the command line that joins a table from a
// shortcut, and the last server, table and name, kept beside the state file (never the passphrase).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace share {

struct ShareRequest {
    bool wanted = false;  // the command line asked to share
    std::string host;
    uint16_t port = 1883;
    std::u16string table;
    std::u16string player;
    std::u16string brokerUser;  // when the broker asks for one (its password is never kept)
};

// The arguments after the program's name: --share HOST[:PORT] --table NAME --player NAME (the
// passphrase never: others can read a command line). False, with what is wrong and how to write
// it, for anything else.
bool parseShareArguments(const std::vector<std::u16string>& args, ShareRequest& out, std::u16string& error);

// The file of the remembered settings: the state file's name with ".share" for ".dat".
std::u16string shareSettingsPath(const std::u16string& statePath);
// "host=", "port=", "table=", "player=" and "user=" lines in UTF-8.
std::vector<uint8_t> encodeShareSettings(const ShareRequest& r);
// Takes what it can read; the rest keeps its value.
void decodeShareSettings(const std::vector<uint8_t>& bytes, ShareRequest& r);

std::string toUtf8(const std::u16string& s);
std::u16string fromUtf8(const std::string& s);  // invalid bytes become U+FFFD

}  // namespace share
