#include "share/share_request.h"

namespace share {

namespace {

const char16_t kUsage[] =
    u"\r\n\r\n書き方: rupone.exe --share サーバー[:ポート] --table テーブルの名前 --player あなたの名前\r\n"
    u"合言葉はコマンドラインには書けません。環境変数 RUPONE_PASSPHRASE で渡すか、共有の画面で入れてください。";

bool portOf(const std::u16string& text, uint16_t& out) {
    if (text.empty() || text.size() > 5) return false;
    uint32_t v = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
        v = v * 10 + (c - u'0');
    }
    if (v < 1 || v > 65535) return false;
    out = static_cast<uint16_t>(v);
    return true;
}

// HOST, HOST:PORT, [IPv6] or [IPv6]:PORT.
bool serverOf(const std::u16string& text, std::string& host, uint16_t& port) {
    std::u16string name = text, portText;
    if (!text.empty() && text[0] == u'[') {
        const size_t close = text.find(u']');
        if (close == std::u16string::npos) return false;
        name = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != u':') return false;
            portText = text.substr(close + 2);
            if (!portOf(portText, port)) return false;
        }
    } else if (const size_t colon = text.rfind(u':'); colon != std::u16string::npos && text.find(u':') == colon) {
        name = text.substr(0, colon);
        if (!portOf(text.substr(colon + 1), port)) return false;
    }
    if (name.empty()) return false;
    for (char16_t c : name)
        if (c <= u' ' || c >= 0x7F) return false;  // a name the resolver takes: letters, digits, dots, dashes
    host.assign(name.begin(), name.end());
    return true;
}

}  // namespace

bool parseShareArguments(const std::vector<std::u16string>& args, ShareRequest& out, std::u16string& error) {
    if (args.empty()) return true;
    ShareRequest r;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::u16string& a = args[i];
        if (a != u"--share" && a != u"--table" && a != u"--player") {
            error = u"「" + a + u"」は使えない引数です。" + kUsage;
            return false;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            error = a + u" のあとに値がありません。" + kUsage;
            return false;
        }
        const std::u16string& value = args[++i];
        if (a == u"--share" && !serverOf(value, r.host, r.port)) {
            error = u"共有サーバー「" + value + u"」の書き方が違います（ポートは 1 から 65535）。" + kUsage;
            return false;
        }
        if (a == u"--table") r.table = value;
        if (a == u"--player") r.player = value;
    }
    if (r.host.empty()) {
        error = u"--share で共有サーバーを指定してください。" + std::u16string(kUsage);
        return false;
    }
    r.wanted = true;
    out = r;
    return true;
}

std::u16string shareSettingsPath(const std::u16string& statePath) {
    if (statePath.size() < 4 || statePath.compare(statePath.size() - 4, 4, u".dat") != 0) return {};
    return statePath.substr(0, statePath.size() - 4) + u".share";
}

std::string toUtf8(const std::u16string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(const std::string& s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<uint8_t>(s[i]);
        const int n = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        uint32_t c = n == 0 ? b : n == 1 ? b & 0x1F : n == 2 ? b & 0x0F : b & 0x07;
        bool ok = n >= 0;
        for (int k = 1; ok && k <= n; ++k) {
            if (i + static_cast<size_t>(k) >= s.size() || (static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = c << 6 | (static_cast<uint8_t>(s[i + k]) & 0x3F);
        }
        if (!ok || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += static_cast<size_t>(n) + 1;
    }
    return out;
}

std::vector<uint8_t> encodeShareSettings(const ShareRequest& r) {
    const std::string text = "host=" + r.host + "\nport=" + std::to_string(r.port) + "\ntable=" + toUtf8(r.table) +
                             "\nplayer=" + toUtf8(r.player) + "\nuser=" + toUtf8(r.brokerUser) + "\n";
    return std::vector<uint8_t>(text.begin(), text.end());
}

void decodeShareSettings(const std::vector<uint8_t>& bytes, ShareRequest& r) {
    const std::string text(bytes.begin(), bytes.end());
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        uint16_t port = 0;
        std::string host;
        if (key == "host" && serverOf(fromUtf8(value), host, port)) r.host = host;
        if (key == "port" && portOf(fromUtf8(value), port)) r.port = port;
        if (key == "table") r.table = fromUtf8(value).substr(0, 200);
        if (key == "player") r.player = fromUtf8(value).substr(0, 200);
        if (key == "user") r.brokerUser = fromUtf8(value).substr(0, 200);
    }
}

}  // namespace share
