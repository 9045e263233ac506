#include "maintenance/roll_back.h"

#include "install/locations.h"
#include "maintenance/maintenance.h"

namespace qv {

Text folder_removal_script(const Text& folder_with_backslash) {
    // The command interpreter expands %...% even inside quotes; a doubled
    // percent sign is its escape for one literal percent sign.
    const Text folder = replace_subtext(folder_with_backslash, "%", "%%", std::nullopt, std::nullopt, true);
    // The file name goes in first, so that a folder path that happens to
    // hold the other placeholder's text is inserted untouched.
    const Text script_template = "Rd /s /q \"根目录\"\r\nDel /f /q \"执行文件名\"";
    const Text named = replace_subtext(script_template, "执行文件名", kScriptFileName, std::nullopt, std::nullopt, true);
    return replace_subtext(named, "根目录", folder, std::nullopt, std::nullopt, true);
}

void remove_folder_through_script(Host& host, const Text& folder) {
    // 1. Existence test on the path without its final backslash.
    const bool ends_in_backslash = compare_text(right_text(folder, 1), "\\") == 0;
    if (!host.file_exists(ends_in_backslash ? left_text(folder, folder.size() - 1) : folder)) return;

    // 2-3.
    const Text script = folder_removal_script(ends_in_backslash ? folder : concat_text({folder, "\\"}));

    // 4. Without a temporary folder the script would land in, and run from,
    // whatever directory the program was started in.
    if (host.temp_folder().empty()) return;
    host.write_file(concat_text({host.temp_folder(), kScriptFileName}), to_bytes(script));

    // 5. Run from the temporary folder, the script's "Del" reaches the script
    // itself and nothing else; the quotes keep a user name's blank inside
    // the one path.
    const Text temporary_folder = host.temp_folder();
    host.run_command(concat_text({"\"", temporary_folder, kScriptFileName, "\""}), true, show::kHidden,
                     temporary_folder);
}

void roll_back_click(Host& host) {
    remove_folder_through_script(host, locations::unity_folder(host));
    host.delete_file(locations::game_settings_file(host));
}

}  // namespace qv
