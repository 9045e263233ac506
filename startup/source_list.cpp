#include "app/layouts.h"
#include "host/site.h"
#include "startup/startup.h"

namespace qv {

void load_sources_and_voice_server(Host& host) {
    // 1-2. Taken whole, untrimmed; a failed download empties the box.
    const Text voice_server = to_text(host.http_get(site_address("/Quorvane/bcl.ini")).body);
    host.write_property(window::kMain, control::kVoiceServerBox, property::kContentText, voice_server);

    // 3-6. The k-th name is item k, which Install maps to scrbase/k.json.
    const Text source_list = to_text(host.http_get(site_address("/Quorvane/srclist.json")).body);
    for (const Text& name : split_text(source_list, "§"))
        host.add_combo_item(window::kMain, control::kSourceSelector, name);
    host.add_combo_item(window::kMain, control::kSourceSelector, kCustomEntry);

    // 7-8. The program's own selection raises no selection event, so the
    // swap is applied here.
    host.write_property(window::kMain, control::kSourceSelector, property::kSelectedIndex, 0);
    source_box_swap(host);
}

}  // namespace qv
