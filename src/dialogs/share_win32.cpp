#include "dialogs/share_win32.h"
#include "desk/dialog_fit_win32.h"
#include "desk/ui_font_win32.h"

#include <string>

#include "app/app_win32.h"
#include "app/keeping.h"
#include "app/panel.h"
#include "app/startup.h"
#include "app/table.h"
#include "deck/marks.h"
#include "deck/state_file.h"
#include "desk/windows_win32.h"
#include "res/ids.h"
#include "share/session_win32.h"
#include "share/share_request.h"

namespace {

share::Session session;
HWND shareDialog = nullptr;

std::wstring text(HWND dlg, int id) {
    wchar_t buffer[256] = {};
    GetDlgItemTextW(dlg, id, buffer, 256);
    return buffer;
}

std::u16string u16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }
std::wstring wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

std::wstring playersText() {
    return L"共有中 " + std::to_wstring(session.players.size() + 1) + L" 人";
}

// The panel's caption and the dialog's line of state follow the session.
void showState() {
    std::wstring caption = L"ルポネ", state;
    switch (session.state) {
    case share::SessionState::Off: break;
    case share::SessionState::Connecting:
    case share::SessionState::Listening:
        caption += L" - 接続を待っています";
        state = L"共有サーバーにつないでいます…";
        break;
    case share::SessionState::Created:
    case share::SessionState::Joined:
        caption += L" - " + playersText();
        if (session.state == share::SessionState::Created) caption += L" - 新しいテーブルを作りました";
        if (!session.connected) caption += L" - 接続を待っています";
        state = session.state == share::SessionState::Created
                    ? L"だれもいなかったので、このテーブルを共有のテーブルにしました。"
                      L"ほかの人と同じテーブルのはずなら、テーブルの名前と合言葉を確かめてください。"
                    : L"共有のテーブルに加わりました。";
        break;
    }
    const uint8_t refused = session.broker.client.refusal;
    if (session.state != share::SessionState::Off &&
        (refused == share::kRefusedCredentials || refused == share::kRefusedNotAuthorised))
        state = L"共有サーバーがユーザー名かパスワードを受け付けません。「共有をやめる」を押して、"
                L"サーバーのユーザーとパスワードを確かめてください。";
    SetWindowTextW(toHwnd(table.panel), caption.c_str());
    if (shareDialog) {
        SetDlgItemTextW(shareDialog, IDC_RP_SHARE_STATUS, state.c_str());
        const bool on = session.state != share::SessionState::Off;
        EnableWindow(GetDlgItem(shareDialog, IDC_RP_SHARE_START), !on);
        EnableWindow(GetDlgItem(shareDialog, IDC_RP_SHARE_STOP), on);
    }
}

// The player's own table comes back from the state file, where it was saved as sharing began.
void giveOwnTableBack() {
    desk::Point panelAt;
    const bool knowPanel = desk::restoredPosition(table.panel, panelAt);
    closeAllCards();
    table.historyStart = 0;
    table.historyCurrent = -1;
    table.redoCount = 0;
    table.startNotices.clear();
    buildTable(loadState());
    if (knowPanel) desk::moveWindow(table.panel, panelAt.x, panelAt.y);
}

void say(HWND dlg, const std::wstring& line) { SetDlgItemTextW(dlg, IDC_RP_SHARE_STATUS, line.c_str()); }

// The last server, table and name, beside the state file.
std::u16string settingsPath() { return share::shareSettingsPath(stateFilePath(desk::modulePath())); }

share::ShareRequest remembered() {
    share::ShareRequest r;
    r.host = "localhost";
    std::vector<uint8_t> bytes;
    const std::u16string path = settingsPath();
    if (!path.empty() && desk::readFile(path, 4096, bytes)) share::decodeShareSettings(bytes, r);
    return r;
}

// Starts sharing with these settings; the reason in plain words when it does not start.
bool startWith(const share::SessionSettings& s, std::wstring& why) {
    // The own table goes to the state file first: while shared, nothing is written over it.
    if (saveState() != desk::FileError::None) {
        why = L"このテーブルを保存できなかったので、共有を始めませんでした。";
        return false;
    }
    table.sharing = true;
    session.changed = showState;
    std::u16string reason;
    desk::Rect work{};
    if (!workArea(work) || !share::startSession(session, s, table.cardParent, work, reason)) {
        table.sharing = false;
        why = reason.empty() ? L"作業領域がわかりません。" : wide(reason);
        return false;
    }
    share::ShareRequest keep;
    keep.host = s.host;
    keep.port = s.port;
    keep.table = s.table;
    keep.player = s.player;
    keep.brokerUser = s.brokerUser;
    const std::u16string path = settingsPath();
    if (!path.empty()) desk::replaceFile(path, share::encodeShareSettings(keep));  // a convenience: a failure loses nothing
    showState();
    return true;
}

void start(HWND dlg) {
    share::SessionSettings s;
    const std::wstring host = text(dlg, IDC_RP_SHARE_HOST), port = text(dlg, IDC_RP_SHARE_PORT);
    const unsigned long number = port.empty() ? 0 : std::wcstoul(port.c_str(), nullptr, 10);
    if (host.empty()) return say(dlg, L"共有サーバーのアドレスを入れてください。");
    if (number < 1 || number > 65535) return say(dlg, L"ポートは 1 から 65535 までの数で入れてください。");
    if (text(dlg, IDC_RP_SHARE_PLAYER).empty()) return say(dlg, L"あなたの名前を入れてください。");
    s.host.assign(host.begin(), host.end());
    s.port = static_cast<uint16_t>(number);
    s.table = u16(text(dlg, IDC_RP_SHARE_TABLE));
    s.passphrase = u16(text(dlg, IDC_RP_SHARE_PASS));
    s.player = u16(text(dlg, IDC_RP_SHARE_PLAYER));
    s.brokerUser = u16(text(dlg, IDC_RP_SHARE_USER));
    s.brokerPassword = u16(text(dlg, IDC_RP_SHARE_USERPASS));
    std::wstring why;
    if (!startWith(s, why)) say(dlg, why);
}

void stop() {
    if (session.state == share::SessionState::Off) return;
    const bool joined = session.state == share::SessionState::Joined || session.state == share::SessionState::Created;
    share::stopSession(session);
    session = share::Session();
    table.sharing = false;
    if (joined) giveOwnTableBack();
    showState();
}

// Six words out of 128: about 42 bits, far more than a guess at a passphrase of one's own.
std::wstring generatedPassphrase() {
    static const wchar_t* const words[] = {
        L"akai", L"aoi", L"asa", L"ame", L"aki", L"ashi", L"ie", L"ike", L"ishi", L"ito", L"inu", L"umi",
        L"uta", L"ushi", L"eki", L"eda", L"oka", L"oto", L"kawa", L"kaze", L"kami", L"kumo", L"kuri", L"kusa",
        L"kiri", L"kita", L"koe", L"kome", L"saka", L"sake", L"sora", L"shima", L"shiro", L"suna", L"seki",
        L"taki", L"tane", L"tora", L"tsuki", L"tsuru", L"te", L"tera", L"toki", L"tori", L"naka", L"nami",
        L"natsu", L"niwa", L"nishi", L"neko", L"nori", L"hana", L"hane", L"haru", L"hashi", L"hata", L"hi",
        L"hige", L"hito", L"hoshi", L"hone", L"fune", L"fuyu", L"mado", L"machi", L"mame", L"mimi", L"michi",
        L"minato", L"mori", L"mura", L"mugi", L"mushi", L"yama", L"yuki", L"yume", L"yoru", L"ringo", L"wata",
        L"wani", L"kaki", L"kame", L"kani", L"kiji", L"koma", L"sara", L"saru", L"shika", L"suzu", L"tako",
        L"taiko", L"tamago", L"tanuki", L"tsubame", L"tsuno", L"nabe", L"nezumi", L"nira", L"hako", L"hato",
        L"hebi", L"hiyoko", L"fude", L"fukuro", L"hotaru", L"maki", L"matsu", L"mikan", L"momo", L"yagi",
        L"yanagi", L"yuri", L"ran", L"rosoku", L"kabu", L"goma", L"daikon", L"tofu", L"nasu", L"negi", L"budou",
        L"kuma", L"kirin", L"zou", L"uma", L"hitsuji", L"risu", L"kaeru"};
    static_assert(sizeof words / sizeof *words == 128, "seven bits a word");
    uint8_t random[6] = {};
    if (!share::randomBytes(random, sizeof random)) return {};
    std::wstring out;
    for (uint8_t r : random) out += (out.empty() ? L"" : L"-") + std::wstring(words[r & 127]);
    return out;
}

share::ShareRequest asked;  // from the command line, shown when the dialog opens for it

void initDialog(HWND dlg) {
    shareDialog = dlg;
    const share::ShareRequest r = asked.wanted ? asked : remembered();
    const std::u16string host(r.host.begin(), r.host.end());
    SetDlgItemTextW(dlg, IDC_RP_SHARE_HOST, wide(host).c_str());
    SetDlgItemTextW(dlg, IDC_RP_SHARE_PORT, std::to_wstring(r.port).c_str());
    SetDlgItemTextW(dlg, IDC_RP_SHARE_TABLE, wide(r.table).c_str());
    std::wstring player = wide(r.player);
    wchar_t user[128] = {};
    DWORD n = 128;
    if (player.empty() && GetUserNameW(user, &n)) player = user;
    SetDlgItemTextW(dlg, IDC_RP_SHARE_PLAYER, player.c_str());
    SetDlgItemTextW(dlg, IDC_RP_SHARE_USER, wide(remembered().brokerUser).c_str());
    SendDlgItemMessageW(dlg, IDC_RP_SHARE_PORT, EM_SETLIMITTEXT, 5, 0);
    showState();
    if (asked.wanted) {
        say(dlg, L"合言葉を入れて「共有する」を押してください。");
        SetFocus(GetDlgItem(dlg, IDC_RP_SHARE_PASS));
    }
    asked = {};
}

}  // namespace

void openSharing() {
    if (shareDialog) return;
    DialogBoxIndirectParamW(appInstance, uifont::dialogTemplate(IDD_RP_SHARE), toHwnd(table.panel), shareDialogProc, 0);
    shareDialog = nullptr;
}

void shareAsAsked(const share::ShareRequest& request) {
    if (!request.wanted || session.state != share::SessionState::Off) return;
    // The passphrase from the environment starts at once; without it, the dialog asks for it.
    wchar_t passphrase[256] = {};
    const DWORD n = GetEnvironmentVariableW(L"RUPONE_PASSPHRASE", passphrase, 256);
    if (n > 0 && n < 256 && !request.table.empty()) {
        share::SessionSettings s;
        s.host = request.host;
        s.port = request.port;
        s.table = request.table;
        s.passphrase = u16(passphrase);
        const share::ShareRequest last = remembered();
        s.player = request.player.empty() ? last.player : request.player;
        if (s.player.empty()) s.player.assign(1, u'?');
        // A broker that asks for a user: the one remembered, its password from the environment too.
        s.brokerUser = last.brokerUser;
        wchar_t password[256] = {};
        const DWORD m = GetEnvironmentVariableW(L"RUPONE_BROKER_PASSWORD", password, 256);
        if (m < 256) s.brokerPassword = u16(password);
        SecureZeroMemory(password, sizeof password);
        SecureZeroMemory(passphrase, sizeof passphrase);
        std::wstring why;
        if (startWith(s, why)) return;
        desk::messageBox(toHwnd(table.panel), why.c_str(), kProgramName, MB_OK | MB_ICONWARNING);
    }
    SecureZeroMemory(passphrase, sizeof passphrase);
    asked = request;
    openSharing();
}

void leaveSharingForClose() {
    if (session.state == share::SessionState::Off) return;
    share::stopSession(session);  // table.sharing stays: the own table in the file is the one to keep
}

INT_PTR CALLBACK shareDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        initDialog(dlg);
        dialogfit::fitTexts(dlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_RP_SHARE_START: start(dlg); return TRUE;
        case IDC_RP_SHARE_STOP: stop(); return TRUE;
        case IDC_RP_SHARE_GENERATE:
            SetDlgItemTextW(dlg, IDC_RP_SHARE_PASS, generatedPassphrase().c_str());
            say(dlg, L"合言葉を作りました。共有サーバーを見られる人は合言葉を試せるので、このような推測されにくい合言葉を使ってください。");
            return TRUE;
        case IDCANCEL: EndDialog(dlg, 0); return TRUE;
        default: return FALSE;
        }
    case WM_DESTROY: shareDialog = nullptr; return FALSE;
    default: return FALSE;
    }
}
