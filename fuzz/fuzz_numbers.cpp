// ParseNumber on arbitrary text never yields NaN or infinity; the quick
// six-decimal format agrees with the exact conversion for any double.
#include "calc/numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const pierqty::NumberReading reading = pierqty::ParseNumber(text);
    if (!std::isfinite(reading.value))
        std::abort();
    if (reading.status == pierqty::NumberStatus::OutOfRange && reading.value != 0.0)
        std::abort();

    if (size >= sizeof(double)) {
        double value = 0;
        std::memcpy(&value, data, sizeof value);
        if (std::isfinite(value)) {
            std::array<char, 400> buffer{};
            const auto end =
                std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 6).ptr;
            std::string exact(buffer.data(), end);
            if (exact == "-0.000000")
                exact = "0.000000";
            if (pierqty::formatQuantity(value) != exact)
                std::abort();
        }
    }
    return 0;
}
