#include "host/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace qv {
namespace {

// iconv's input is `char**` in glibc and `const char**` in libiconv built
// with ICONV_CONST=const; deduce whichever this build has.
template <class Input>
size_t call_iconv(size_t (*convert)(iconv_t, Input, size_t*, char**, size_t*), iconv_t converter, char** input,
                  size_t* input_left, char** output, size_t* output_left) {
    return convert(converter, const_cast<Input>(input), input_left, output, output_left);
}

}  // namespace

ByteBuffer iconv_convert(const ByteBuffer& bytes, const Text& from_set, const Text& to_set) {
    iconv_t converter = iconv_open(to_set.c_str(), from_set.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return {};
    struct Closer {
        iconv_t handle;
        ~Closer() { iconv_close(handle); }
    } closer{converter};
    if (bytes.empty()) return {};

    const size_t input_size = static_cast<size_t>(bytes.size());
    std::string output(input_size, '\0');
    char* input = const_cast<char*>(bytes.str().data());
    size_t input_left = input_size;
    size_t written = 0;
    for (int growths = 0;; ++growths) {
        char* out = output.data() + written;
        size_t out_left = output.size() - written;
        const size_t result = call_iconv(&iconv, converter, &input, &input_left, &out, &out_left);
        written = output.size() - out_left;
        if (result != static_cast<size_t>(-1)) {
            // Flush any shift state; a stateless target writes nothing here.
            if (call_iconv(&iconv, converter, nullptr, nullptr, &out, &out_left) == static_cast<size_t>(-1)) return {};
            written = output.size() - out_left;
            break;
        }
        if (errno != E2BIG || growths == 11) return {};
        output.resize(output.size() + input_size / 2 + 128);
    }
    output.resize(written);
    return ByteBuffer(std::move(output));
}

}  // namespace qv
