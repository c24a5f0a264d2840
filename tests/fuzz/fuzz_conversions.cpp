// The conversions of stored text over any text. Beyond not crashing: the whole-number
// forms agree with each other, and a single the program writes reads back the same.
#include "FuzzSupport.h"

#include "core/Conversions.h"
#include "core/Rounding.h"

#include <cmath>
#include <cstring>

namespace {

void CheckSingleRoundTrip(float value, const QString &source)
{
    if (!std::isfinite(value))
        return;
    const QString written = core::SingleToText(value);
    if (core::ToSingle(written).valueOr(NAN) != value)
        fuzz::Fail("single does not read back", source + QStringLiteral(" -> ") + written);
}

template <typename Whole>
void CheckWhole(const core::Converted<Whole> &whole, const core::Converted<double> &number,
                const QString &text)
{
    // A text that is no number fails alike; a number fails only for its size.
    const int expected = number.ok() ? core::Overflow : number.failure.number;
    if (whole.ok() ? !number.ok() : whole.failure.number != expected)
        fuzz::Fail("whole number fails for another reason than the number", text);
    if (!whole.ok())
        return;
    const double rounded = core::RoundHalfEven(*number.value);
    if (double(*whole.value) != rounded)
        fuzz::Fail("whole number is not the rounded number", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzz::Text(data, size);

    const core::Converted<double> number = core::ToNumber(text);
    if (core::IsNumeric(text) != number.ok())
        fuzz::Fail("IsNumeric disagrees with ToNumber", text);
    if (number.ok() && !std::isfinite(*number.value))
        fuzz::Fail("a number that is not finite", text);

    CheckWhole(core::ToWhole16(text), number, text);
    CheckWhole(core::ToWhole32(text), number, text);

    const core::Converted<float> single = core::ToSingle(text);
    if (single.ok())
        CheckSingleRoundTrip(*single.value, text);
    const core::Converted<bool> flag = core::ToBoolean(text);
    if (number.ok() && (!flag.ok() || *flag.value != (*number.value != 0.0)))
        fuzz::Fail("a number's flag is not its being non-zero", text);

    // Any single at all, from the first four bytes: what the dialogs compute is written
    // the same way as what was read.
    if (size >= sizeof(float)) {
        float raw;
        std::memcpy(&raw, data, sizeof raw);
        CheckSingleRoundTrip(raw, QStringLiteral("raw bits"));
    }
    return 0;
}
