// The maker site's root (scheme, host, optional port, no trailing slash),
// fixed at build time. Every remote address of the program is built on it.
#pragma once

#include "host/text.h"

#ifndef QUORVANE_SITE
#error "QUORVANE_SITE must be defined by the build"
#endif

namespace qv {

inline constexpr const char kSiteRoot[] = QUORVANE_SITE;

inline Text site_address(const Text& path) { return concat_text({kSiteRoot, path}); }

}  // namespace qv
