// libFuzzer target: readCodeFile() on any bytes, in every form it tells
// apart. A file either reads whole, every code a signal checkSignal() takes,
// or fails with "line N: ..." and no codes; what it reads describes, and
// written back as Flipper .ir and mode2 it reads again to as many codes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ircodefile.h"

using namespace lumo::ir;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    CodeFile file;
    std::string error;
    if (!readCodeFile(text, file, error)) {
        if (!file.codes.empty() || error.empty())
            std::abort();
        return 0;
    }
    if (file.codes.empty())
        std::abort();
    for (const Code &c : file.codes)
        if (!checkSignal(c.signal, error))
            std::abort();
    (void)describeCodeFile(file);

    const std::string flipper = writeFlipper(file.codes);
    CodeFile back;
    if (flipper.size() <= kMaxFileBytes
        && (!readCodeFile(flipper, back, error) || back.codes.size() != file.codes.size()))
        std::abort();
    if (!readCodeFile(writeMode2(file.codes[0], { "fuzzed" }), back, error) || back.codes.size() != 1)
        std::abort();
    return 0;
}
