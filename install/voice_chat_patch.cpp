#include "install/voice_chat_patch.h"

#include "app/layouts.h"
#include "install/install_core.h"
#include "install/locations.h"

namespace qv {
namespace {

constexpr const char kKeyText[] = "\"serverURL\": ";

bool is_ascii_space(unsigned char byte) { return byte == ' ' || (byte >= '\t' && byte <= '\r'); }

Text trim_ascii_space(const Text& text) {
    int first = 0;
    int last = text.size();
    while (first < last && is_ascii_space(text.byte(first))) ++first;
    while (last > first && is_ascii_space(text.byte(last - 1))) --last;
    return Text(text.view().substr(static_cast<size_t>(first), static_cast<size_t>(last - first)));
}

// The scheme and a non-empty host; every byte printable ASCII, so that the
// value is valid UTF-8 and holds no blank or control character.
bool is_absolute_web_address(const Text& address) {
    int after_scheme = 0;
    if (find_text(address, "https://", 1, true) == 1) after_scheme = 8;
    else if (find_text(address, "http://", 1, true) == 1) after_scheme = 7;
    if (after_scheme == 0 || address.size() == after_scheme) return false;
    const unsigned char host_start = address.byte(after_scheme);
    if (host_start == '/' || host_start == '?' || host_start == '#') return false;
    for (int i = 0; i < address.size(); ++i)
        if (address.byte(i) <= 0x20 || address.byte(i) >= 0x7F) return false;
    return true;
}

void show_patch_failure(Host& host) {
    host.message_box("未能更改BetterCrewLink服务器地址，配置文件未被修改。请检查网络和BetterCrewLink设置后重试。",
                     box::kError, "错误!");
}

void missing_config(Host& host) {
    host.write_property(window::kMain, control::kVoiceChatCheckBox, property::kTicked, 0);
    apply_layout(host, false);
    host.message_box("您尚未安装BetterCrewLink,请安装BetterCrewLink并运行一次后再尝试安装BetterCrewLink私服！",
                     box::kError, "错误!");
    set_install_button_busy(host, false);
}

// The config with only the value's bytes exchanged, or empty when the
// server's answer cannot stand there.
ByteBuffer patched_config(Host& host, const ByteBuffer& config_bytes, const ValueSpan& value) {
    const Text address = host.read_property(window::kMain, control::kVoiceServerBox, property::kContentText);
    const HttpResponse response = host.http_get(address);
    if (!response.succeeded()) return {};
    const Text new_value = server_url_json_string(to_text(response.body));
    if (new_value.empty()) return {};
    // Spliced into the bytes, not the text, so that anything after a NUL in
    // the file survives as well.
    const std::string& old = config_bytes.str();
    return ByteBuffer(old.substr(0, static_cast<size_t>(value.start - 1)) + "\"" + new_value.str() + "\"" +
                      old.substr(static_cast<size_t>(value.end - 1)));
}

}  // namespace

std::optional<ValueSpan> find_server_url_value(const Text& config_text) {
    const int key_position = find_text(config_text, kKeyText, 1, false);
    if (key_position == -1) return std::nullopt;
    const int start = key_position + text_length(kKeyText);
    int offset = start - 1;
    if (offset >= config_text.size() || config_text.byte(offset) != '"') return std::nullopt;
    for (++offset; offset < config_text.size(); ++offset) {
        const unsigned char byte = config_text.byte(offset);
        if (byte < 0x20) return std::nullopt;
        if (byte == '\\') ++offset;
        else if (byte == '"') return ValueSpan{key_position, start, offset + 2};
    }
    return std::nullopt;
}

Text server_url_json_string(const Text& server_text) {
    const Text address = trim_ascii_space(server_text);
    if (!is_absolute_web_address(address)) return {};
    std::string escaped;
    for (const char c : address.view()) {
        if (c == '"' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return Text(escaped);
}

void voice_chat_install(Host& host, ProgramState& state) {
    // 1.
    if (!host.file_exists(locations::bettercrewlink_config_file(host))) {
        missing_config(host);
        return;
    }

    // 2-4. comma_position holds where the kept tail begins: just past the
    // value's closing quote, which is the first comma only when the value
    // is followed by one directly.
    state.config_bytes = host.read_file(locations::bettercrewlink_config_file(host));
    const std::optional<ValueSpan> value = find_server_url_value(to_text(state.config_bytes));
    state.key_position = find_text(to_text(state.config_bytes), kKeyText, 1, false);
    state.comma_position = value ? value->end : -1;

    // 5-9. Any failure leaves the file byte for byte as it was: a config that
    // is not valid JSON would cost the player every BetterCrewLink setting.
    const ByteBuffer patched = value ? patched_config(host, state.config_bytes, *value) : ByteBuffer();
    if (!patched.empty() && host.replace_file(locations::bettercrewlink_config_file(host), patched)) {
        state.patched_config_bytes = patched;
        install_region_list(host, state, SuccessText::kVoiceChat);
        return;
    }
    show_patch_failure(host);
    install_region_list(host, state, SuccessText::kPlain);
}

}  // namespace qv
