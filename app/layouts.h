// The window's two layouts and the source box swap, written on the host's
// property operations so that handlers and tests share them.
#pragma once

#include "host/host.h"

namespace qv {

// Shows the custom-source box when the selector's text is "自定义", the
// source hint label otherwise. Visibility only: the box keeps its text.
void source_box_swap(Host& host);

// Window height, the two buttons' tops and the voice-server group box, in
// that order: 241/176/176/visible expanded, 160/96/96/hidden collapsed.
void apply_layout(Host& host, bool expanded);

// The voice-chat check box's handler: the layout follows its ticked state.
void layout_toggle(Host& host);

inline constexpr const char kCustomEntry[] = "自定义";

}  // namespace qv
