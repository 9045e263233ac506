#include "install/install.h"

#include "app/layouts.h"
#include "host/site.h"
#include "install/install_core.h"
#include "install/locations.h"
#include "install/voice_chat_patch.h"

namespace qv {
namespace {

constexpr const char kContentHeading[] = "\r\n\r\n安装内容（中文可能会变成乱码，正常现象）:\r\n\r\n";

Text success_text(Host& host, SuccessText kind, const Text& content_text) {
    if (kind == SuccessText::kPlain) return concat_text({"安装成功!", kContentHeading, content_text});
    const Text voice_server = host.read_property(window::kMain, control::kVoiceServerBox, property::kContentText);
    return concat_text({"安装成功!\r\n\r\nBetterCrewLink服务器地址已更改为：", voice_server, kContentHeading, content_text});
}

// Folders are made one level at a time, and nothing is removed first: the
// game's folders also hold its settings and other data.
bool write_region_list(Host& host, const ByteBuffer& region_list_bytes) {
    if (host.write_file(locations::region_list_file(host), region_list_bytes)) return true;
    host.create_folder(locations::innersloth_folder(host));
    host.create_folder(locations::game_data_folder(host));
    return host.write_file(locations::region_list_file(host), region_list_bytes);
}

}  // namespace

void set_install_button_busy(Host& host, bool busy) {
    host.write_property(window::kMain, control::kInstallButton, property::kDisabled, busy ? 1 : 0);
    host.write_property(window::kMain, control::kInstallButton, property::kCaption, busy ? "安装中..." : "安装");
}

Text resolve_source_url(Host& host) {
    const Text selected = host.read_property(window::kMain, control::kSourceSelector, property::kSelectedText);
    if (compare_text(selected, kCustomEntry) == 0)
        return host.read_property(window::kMain, control::kCustomSourceBox, property::kContentText);
    const int index = host.read_property(window::kMain, control::kSourceSelector, property::kSelectedIndex);
    return site_address(concat_text({"/Quorvane/scrbase/", to_text(index), ".json"}));
}

void install_region_list(Host& host, ProgramState& state, SuccessText kind) {
    // 4-5. An error page is not a region list: it counts as no download.
    const HttpResponse download = host.http_get(resolve_source_url(host));
    state.region_list_bytes = download.succeeded() ? download.body : ByteBuffer();

    // 6.
    if (to_text(state.region_list_bytes).empty()) {
        host.message_box("未能获取安装源内的私服列表，请重试，若多次无法获取请检查安装源的可用性。", box::kError,
                         "错误！");
    } else if (!write_region_list(host, state.region_list_bytes)) {  // 7-8.
        host.message_box("安装失败，请重试。若再次失败请检查文件权限或寻求帮助！", box::kError, "安装结果：");
    } else {  // 9.
        const Text content_text = to_text(host.convert_encoding(state.region_list_bytes, "UTF-8", "GB2312"));
        host.message_box(success_text(host, kind, content_text), box::kExclamation, "安装结果：");
    }

    // 10.
    set_install_button_busy(host, false);
}

void install_click(Host& host, ProgramState& state) {
    // 1-2. The attributes are cleared while the download runs.
    set_install_button_busy(host, true);
    locations::start_attribute_clearing(host);

    // 3.
    if (host.read_property(window::kMain, control::kVoiceChatCheckBox, property::kTicked) == 1) {
        voice_chat_install(host, state);
        return;
    }
    install_region_list(host, state, SuccessText::kPlain);
}

}  // namespace qv
