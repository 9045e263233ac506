// Character-set conversion on iconv (glibc's natively, GNU libiconv in the
// Windows build). Empty on any failure; nothing partial is ever returned.
#pragma once

#include "host/text.h"

namespace qv {

ByteBuffer iconv_convert(const ByteBuffer& bytes, const Text& from_set, const Text& to_set);

}  // namespace qv
