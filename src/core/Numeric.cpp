#include "Numeric.h"

#include "RuntimeError.h"
#include "TextTrim.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace numeric {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

double roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5)
        return floor + 1.0;
    if (diff < 0.5)
        return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

namespace {

template <typename Int> Result<Int> convert(QStringView text)
{
    const std::optional<double> value = parse(text);
    if (!value)
        return RuntimeError::typeMismatch();
    const double rounded = roundHalfEven(*value);
    if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<Int>::max())))
        return RuntimeError::overflow();
    return static_cast<Int>(rounded);
}

} // namespace

std::optional<double> parse(QStringView text)
{
    text = trimmedView(text, [](QChar c) { return isBlank(c.unicode()); });
    const qsizetype begin = 0;
    const qsizetype end = text.size();

    // Validate the grammar on the characters, then let from_chars convert.
    std::string ascii;
    ascii.reserve(static_cast<size_t>(end - begin));
    qsizetype i = begin;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            ascii += '-';
        ++i;
    }
    int mantissaDigits = 0;
    while (i < end && isDigit(text[i])) {
        ascii += static_cast<char>(text[i].unicode());
        ++i;
        ++mantissaDigits;
    }
    if (i < end && text[i] == u'.') {
        ascii += '.';
        ++i;
        while (i < end && isDigit(text[i])) {
            ascii += static_cast<char>(text[i].unicode());
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ascii += 'e';
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-')) {
            ascii += static_cast<char>(text[i].unicode());
            ++i;
        }
        int exponentDigits = 0;
        while (i < end && isDigit(text[i])) {
            ascii += static_cast<char>(text[i].unicode());
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;

    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too large in magnitude: stays numeric and overflows on conversion;
        // too small: it is zero.
        const auto e = ascii.find('e');
        const bool negativeExponent = e != std::string::npos && e + 1 < ascii.size() && ascii[e + 1] == '-';
        if (negativeExponent)
            return 0.0;
        return ascii.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    if (ec != std::errc() || ptr != ascii.data() + ascii.size())
        return std::nullopt;
    return value;
}

bool isNumeric(QStringView text)
{
    return parse(text).has_value();
}

Result<int32_t> toInt32(QStringView text)
{
    return convert<int32_t>(text);
}

Result<int16_t> toInt16(QStringView text)
{
    return convert<int16_t>(text);
}

} // namespace numeric
