#include "install/install.h"
#include "install/locations.h"

namespace qv {

void uninstall_click(Host& host) {
    // 1-2. The pause, not a wait, gives attrib its time; messages keep
    // being handled meanwhile.
    locations::start_attribute_clearing(host);
    host.pause(100);

    // 3-4.
    if (host.delete_file(locations::region_list_file(host)))
        host.message_box("卸载成功。", box::kExclamation, "卸载结果：");
    else
        host.message_box("卸载失败，请重试并检查权限或未曾安装。", box::kError, "卸载结果：");
}

}  // namespace qv
