#include <Foundation/NSString.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string_view>

namespace {

// Width and precision stop here, as printf's do at INT_MAX.
constexpr long long kMaxWidth = INT_MAX;

// Formats one printf conversion with vsnprintf-equivalent behaviour, given the
// conversion's own text ("%-08.3lf") and the argument already taken from the list.
template <typename T>
void appendConversion(std::string& out, const std::string& piece, T value) {
    char small[128];
    int n = std::snprintf(small, sizeof small, piece.c_str(), value);
    if (n < 0)
        return;
    if (static_cast<std::size_t>(n) < sizeof small) {
        out.append(small, static_cast<std::size_t>(n));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), piece.c_str(), value);
    out.append(big.data(), static_cast<std::size_t>(n));
}

bool isFlag(char c) {
    return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0' || c == '\'';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Inserts a text for "%@" with the width and precision of its piece ("%-8.3@"), as %s
// would: precision in bytes, padding with spaces. Unlike %s the text is not cut at an
// embedded NUL: it goes in whole.
void appendText(std::string& out, const std::string& piece, std::string_view text) {
    bool leftAlign = false;
    std::size_t i = 1;
    for (; i < piece.size() && isFlag(piece[i]); ++i)
        leftAlign = leftAlign || piece[i] == '-';
    long long width = 0, precision = -1;
    for (; i < piece.size() && isDigit(piece[i]); ++i)
        width = std::min(width * 10 + (piece[i] - '0'), kMaxWidth);
    if (i < piece.size() && piece[i] == '.') {
        precision = 0;
        for (++i; i < piece.size() && isDigit(piece[i]); ++i)
            precision = std::min(precision * 10 + (piece[i] - '0'), kMaxWidth);
    }
    if (precision >= 0 && static_cast<std::size_t>(precision) < text.size())
        text = text.substr(0, static_cast<std::size_t>(precision));
    std::size_t padding = static_cast<std::size_t>(width) > text.size()
                              ? static_cast<std::size_t>(width) - text.size()
                              : 0;
    if (!leftAlign)
        out.append(padding, ' ');
    out.append(text);
    if (leftAlign)
        out.append(padding, ' ');
}

// One conversion of a format, as read: its text for snprintf ("%-08.3lf", any '*' already
// replaced by the number taken for it), its length modifier and its letter.
struct Conversion {
    std::string text = "%";
    std::string_view length; // "", "hh", "h", "l", "ll", "j", "z", "t" or "L"
    char letter = '\0';      // '\0' when the format ends inside the conversion
};

// Reads a width or a precision into the conversion's text: digits as they stand, or a '*'
// written as the number it takes from `args`. Answers where the format goes on.
const char* readAmount(const char* p, bool isPrecision, va_list* args, std::string& text) {
    if (*p != '*') {
        while (isDigit(*p))
            text.push_back(*p++);
        return p;
    }
    long long number = va_arg(*args, int); // -INT_MIN fits
    if (isPrecision && number < 0) {
        text.pop_back(); // a negative precision counts as none: the '.' goes
    } else {
        if (number < 0) {
            text += '-'; // a negative width left-aligns
            number = -number;
        }
        text += std::to_string(number);
    }
    return p + 1;
}

// Reads the conversion that starts after a '%' at `p`, taking '*' widths and precisions
// from `args`; answers where the format goes on.
const char* readConversion(const char* p, va_list* args, Conversion& conversion) {
    std::string& text = conversion.text;
    while (isFlag(*p))
        text.push_back(*p++);
    p = readAmount(p, false, args, text);
    if (*p == '.') {
        text.push_back(*p++);
        p = readAmount(p, true, args, text);
    }
    if ((p[0] == 'h' && p[1] == 'h') || (p[0] == 'l' && p[1] == 'l')) {
        conversion.length = std::string_view(p, 2);
        p += 2;
    } else if (*p == 'h' || *p == 'l' || *p == 'j' || *p == 'z' || *p == 't' || *p == 'L' ||
               *p == 'q') {
        conversion.length = *p == 'q' ? std::string_view("ll") : std::string_view(p, 1);
        ++p;
    }
    conversion.letter = *p;
    if (!conversion.letter)
        return p;
    text += conversion.length;
    text.push_back(conversion.letter);
    return p + 1;
}

// Takes the conversion's argument from `args` with exactly the type its length modifier
// names, so the list never falls out of step, and appends it formatted; "%@" takes an
// NSObject* and inserts its description. False, taking nothing, when the letter names no
// conversion.
bool writeArgument(std::string& out, const Conversion& conversion, va_list* args) {
    const std::string& text = conversion.text;
    std::string_view length = conversion.length;
    switch (conversion.letter) {
    case '@':
        appendText(out, text, NSDescription(va_arg(*args, NSObject*)));
        return true;
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
        if (length == "l")
            appendConversion(out, text, va_arg(*args, long));
        else if (length == "ll")
            appendConversion(out, text, va_arg(*args, long long));
        else if (length == "j")
            appendConversion(out, text, va_arg(*args, intmax_t));
        else if (length == "z")
            appendConversion(out, text, va_arg(*args, size_t));
        else if (length == "t")
            appendConversion(out, text, va_arg(*args, ptrdiff_t));
        else // none, "hh" and "h" (promoted to int), and "L", which names no integer
            appendConversion(out, text, va_arg(*args, int));
        return true;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        if (length == "L")
            appendConversion(out, text, va_arg(*args, long double));
        else
            appendConversion(out, text, va_arg(*args, double));
        return true;
    case 'c':
        if (length == "l")
            appendConversion(out, text, va_arg(*args, wint_t));
        else
            appendConversion(out, text, va_arg(*args, int));
        return true;
    case 's':
        if (length == "l") {
            appendConversion(out, text, va_arg(*args, const wchar_t*));
        } else {
            const char* string = va_arg(*args, const char*);
            appendConversion(out, text, string ? string : "(null)");
        }
        return true;
    case 'p':
        appendConversion(out, text, va_arg(*args, void*));
        return true;
    case 'n':
        // Writing through an argument is never honoured: the pointer is taken and left alone.
        (void)va_arg(*args, void*);
        return true;
    default:
        return false;
    }
}

} // namespace

// Walks the format once, copying its text and handing each conversion on to be read and
// then written.
std::string NSFormatV(const char* format, va_list args) {
    std::string out;
    if (!format)
        return out;
    va_list rest; // a copy the helpers can take arguments from in turn
    va_copy(rest, args);
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            const char* start = p;
            while (*p && *p != '%')
                ++p;
            out.append(start, static_cast<std::size_t>(p - start));
            continue;
        }
        const char* start = p++;
        if (*p == '%') {
            out.push_back('%');
            ++p;
            continue;
        }
        Conversion conversion;
        p = readConversion(p, &rest, conversion);
        if (!conversion.letter) {
            out.append(start); // a lone '%' at the end is printed as it stands
            break;
        }
        if (!writeArgument(out, conversion, &rest))
            out.append(start,
                       static_cast<std::size_t>(p - start)); // not a conversion: as it stands
    }
    va_end(rest);
    return out;
}

std::string NSFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = NSFormatV(format, args);
    va_end(args);
    return text;
}
