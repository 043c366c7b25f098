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

} // namespace

// Walks the format once. Each conversion is handed on to snprintf with exactly the
// argument type its length modifier names, so the va_list never falls out of step;
// "%@" takes an NSObject* and inserts its description.
std::string NSFormatV(const char* format, va_list args) {
    std::string out;
    if (!format)
        return out;
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
        std::string piece = "%";
        while (isFlag(*p))
            piece.push_back(*p++);
        bool widthFromArg = false, precisionFromArg = false;
        int width = 0, precision = 0;
        if (*p == '*') {
            widthFromArg = true;
            width = va_arg(args, int);
            piece.push_back(*p++);
        } else {
            while (isDigit(*p))
                piece.push_back(*p++);
        }
        if (*p == '.') {
            piece.push_back(*p++);
            if (*p == '*') {
                precisionFromArg = true;
                precision = va_arg(args, int);
                piece.push_back(*p++);
            } else {
                while (isDigit(*p))
                    piece.push_back(*p++);
            }
        }
        // Length modifier.
        std::string_view length;
        if ((p[0] == 'h' && p[1] == 'h') || (p[0] == 'l' && p[1] == 'l')) {
            length = std::string_view(p, 2);
            p += 2;
        } else if (*p == 'h' || *p == 'l' || *p == 'j' || *p == 'z' || *p == 't' || *p == 'L' ||
                   *p == 'q') {
            length = *p == 'q' ? std::string_view("ll") : std::string_view(p, 1);
            ++p;
        }
        char conversion = *p;
        if (!conversion) {
            // A lone '%' at the end is printed as it stands.
            out.append(start);
            break;
        }
        ++p;
        piece += length;
        piece.push_back(conversion);

        // Apply '*' width and precision by writing them into the piece as numbers.
        if (widthFromArg || precisionFromArg) {
            std::string fixed;
            for (std::size_t i = 0; i < piece.size(); ++i) {
                if (piece[i] == '*') {
                    bool isPrecision = i > 0 && piece[i - 1] == '.';
                    long long value = isPrecision ? precision : width; // -INT_MIN fits
                    if (!isPrecision && value < 0) {
                        fixed += '-';
                        value = -value;
                    }
                    if (isPrecision && value < 0) {
                        fixed.pop_back(); // a negative precision counts as none
                        continue;
                    }
                    fixed += std::to_string(value);
                } else {
                    fixed += piece[i];
                }
            }
            piece = fixed;
        }

        switch (conversion) {
        case '@':
            appendText(out, piece, NSDescription(va_arg(args, NSObject*)));
            break;
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            if (length == "hh" || length == "h" || length.empty())
                appendConversion(out, piece, va_arg(args, int));
            else if (length == "l")
                appendConversion(out, piece, va_arg(args, long));
            else if (length == "ll")
                appendConversion(out, piece, va_arg(args, long long));
            else if (length == "j")
                appendConversion(out, piece, va_arg(args, intmax_t));
            else if (length == "z")
                appendConversion(out, piece, va_arg(args, size_t));
            else if (length == "t")
                appendConversion(out, piece, va_arg(args, ptrdiff_t));
            else
                appendConversion(out, piece, va_arg(args, int));
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            if (length == "L")
                appendConversion(out, piece, va_arg(args, long double));
            else
                appendConversion(out, piece, va_arg(args, double));
            break;
        case 'c':
            if (length == "l")
                appendConversion(out, piece, va_arg(args, wint_t));
            else
                appendConversion(out, piece, va_arg(args, int));
            break;
        case 's':
            if (length == "l") {
                appendConversion(out, piece, va_arg(args, const wchar_t*));
            } else {
                const char* text = va_arg(args, const char*);
                appendConversion(out, piece, text ? text : "(null)");
            }
            break;
        case 'p':
            appendConversion(out, piece, va_arg(args, void*));
            break;
        case 'n':
            // Writing through an argument is never honoured: the pointer is taken and left alone.
            (void)va_arg(args, void*);
            break;
        default:
            // Not a conversion: printed as it stands.
            out.append(start, static_cast<std::size_t>(p - start));
            break;
        }
    }
    return out;
}

std::string NSFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = NSFormatV(format, args);
    va_end(args);
    return text;
}
