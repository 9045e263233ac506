#include "host/site.h"
#include "host/version.h"
#include "startup/startup.h"
#include "startup/update_check.h"

namespace qv {
namespace {

constexpr const char kGameClosingCommand[] = "taskkill /f /im \"Among Us.exe\"";

// True when the user took the offered update and the program was ended.
bool offer_update(Host& host, const Text& latest_version) {
    const Text question = concat_text(
        {"发现新版本！\r\n当前版本：", kProgramVersion, "\r\n最新版本：", latest_version, "\r\n是否前往下载新版本安装器？"});
    if (host.message_box(question, box::kQuestionYesNo, "发现新版本：") != answer::kYes) return false;
    host.open_url(site_address("/quorvane"));
    host.exit_program(0);
    return true;
}

void show_announcement(Host& host) {
    const Text announcement = to_text(host.http_get(site_address("/Quorvane/announcer.txt")).body);
    if (host.message_box(announcement, box::kInformationOkCancel, "公告") == answer::kOk)
        host.run_command(kGameClosingCommand, false, show::kHidden);
}

}  // namespace

bool check_for_update_then_announce(Host& host, ProgramState& state) {
    // 1-3. The whole body against the program's own bytes: a line break or
    // anything after a NUL makes it a different version.
    state.version_bytes = host.http_get(site_address("/Quorvane/versioninfo.json")).body;
    if (!(state.version_bytes == to_bytes(kProgramVersion))) {
        // 4-6. An empty text means the check could not be made at all.
        const Text latest_version = to_text(state.version_bytes);
        if (latest_version.empty()) {
            host.message_box("未能从服务器获得版本信息，请检查网络是否畅通。", box::kError, "网络错误！");
        } else if (offer_update(host, latest_version)) {
            return false;
        }
    }
    // 7-9.
    show_announcement(host);
    return true;
}

void update_check_and_announcement(Host& host, ProgramState& state) { check_for_update_then_announce(host, state); }

}  // namespace qv
