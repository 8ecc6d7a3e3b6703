// Settings' values and limits in words, for --help's settings table and refusals, and the
// shell quoting of reproducing arguments. Reads a bound setting's row; knows no table.
#include "core/options_text.h"

#include <charconv>
#include <cmath>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/options.h"

std::string formatNumber(double value)
{
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%g", value);
    return std::string(text, static_cast<size_t>(n));
}

// What a setting allows, in words: "0 or 1", "a whole number from 0 to 1000", ...
std::string allowed(const Setting& s)
{
    std::string what;
    if (s.row->limit == SettingLimit::Samples)
        return "0, 2, 4 or 8";
    switch (s.kind) {
    case SettingKind::Flag: return "0 or 1";
    case SettingKind::Int:
        if (s.high < s.low)
            return "no value: the texture list has no images";
        what = "a whole number";
        break;
    case SettingKind::Float: what = "a number"; break;
    }
    if (s.components == 3)
        what = "three numbers separated by commas (x,y,z or R,G,B)";
    if (s.limited)
        what += " from " + formatNumber(s.low) + " to " + formatNumber(s.high);
    return what;
}

namespace {

// The shortest text that reads back as the same float.
std::string formatFloat(float value)
{
    char text[32];
#if defined(__cpp_lib_to_chars)
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
    return std::string(text, r.ptr);
#else
    // Libraries without floating-point to_chars (libc++ 14, the page's): the fewest
    // significant digits that read back as the same float, then to_chars's choice between
    // plain and exponent form: the shorter, plain on a tie ("40", not "4e+01").
    int digits = 1;
    for (; digits < 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*e", digits - 1, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value)
            break;
    }
    std::snprintf(text, sizeof text, "%.*e", digits - 1, static_cast<double>(value));
    const std::string exponentForm = text;  // two exponent digits at least, as to_chars writes
    const char* e = std::strchr(text, 'e');
    const int exponent = std::atoi(e + 1);
    std::string mantissa;  // the significant digits, without sign or point
    for (const char* c = text; c < e; ++c)
        if (*c >= '0' && *c <= '9')
            mantissa += *c;
    std::string plain;
    if (exponent < 0) {
        plain = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + mantissa;
    } else if (exponent + 1 >= static_cast<int>(mantissa.size())) {
        // A whole number: its exact digits, as to_chars writes them ("123456792").
        char whole[48];
        std::snprintf(whole, sizeof whole, "%.0f", std::fabs(static_cast<double>(value)));
        plain = whole;
    } else {
        plain = mantissa.substr(0, static_cast<size_t>(exponent + 1)) + "." +
                mantissa.substr(static_cast<size_t>(exponent + 1));
    }
    if (std::signbit(value))
        plain = "-" + plain;
    return plain.size() <= exponentForm.size() ? plain : exponentForm;
#endif
}

}  // namespace

std::string valueOf(const Setting& s)
{
    std::string text;
    for (int k = 0; k < s.components; ++k) {
        if (k > 0)
            text += ',';
        text +=
            s.kind == SettingKind::Float ? formatFloat(*s.floats[k]) : std::to_string(*s.ints[k]);
    }
    return text;
}

// What a setting allows, in short: "0 or 1", "0..1000", "x,y,z", ...
std::string allowedShort(const Setting& s)
{
    if (s.kind == SettingKind::Flag)
        return "0 or 1";
    if (s.row->limit == SettingLimit::Samples)
        return "0,2,4,8";
    if (s.components == 3)
        return "x,y,z";
    if (!s.limited)
        return "a number";
    if (s.high >= INT_MAX - 1)
        return "0.. (list index)";
    return formatNumber(s.low) + ".." + formatNumber(s.high);
}

std::string shellQuote(const std::string& word)
{
    const char* safe = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_@%+=:,./-";
    if (!word.empty() && word.find_first_not_of(safe) == std::string::npos)
        return word;
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string antialiasingNote(int requested, int given)
{
    if (given == requested)
        return std::string();
    return "antialiasing=" + std::to_string(requested) + " is not offered here; drawing with " +
           (given > 0 ? std::to_string(given) + " samples" : std::string("no antialiasing"));
}
