#include "install/locations.h"

namespace qv::locations {
namespace {

Text roaming(Host& host, const Text& tail) {
    return concat_text({host.special_folder(folder::kRoamingAppData), tail});
}

}  // namespace

Text region_list_file(Host& host) { return roaming(host, "..\\LocalLow\\Innersloth\\Among Us\\regionInfo.json"); }
Text game_data_folder(Host& host) { return roaming(host, "..\\LocalLow\\Innersloth\\Among Us"); }
Text innersloth_folder(Host& host) { return roaming(host, "..\\LocalLow\\Innersloth\\"); }
Text game_settings_file(Host& host) { return roaming(host, "..\\LocalLow\\Innersloth\\Among Us\\settings.amogus"); }
Text unity_folder(Host& host) { return roaming(host, "..\\LocalLow\\Unity"); }
Text bettercrewlink_config_file(Host& host) { return roaming(host, "bettercrewlink\\config.json"); }

Text attribute_clearing_command(Host& host) {
    return concat_text({"attrib -a -s -h -r \"", region_list_file(host), "\""});
}

void start_attribute_clearing(Host& host) {
    host.run_command(attribute_clearing_command(host), false, show::kHidden);
}

}  // namespace qv::locations
