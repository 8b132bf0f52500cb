#include "platform/Format.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/Exception.h"

std::uint64_t FormatArg::Unsigned() const
{
  if (signed_ && !wide_) return static_cast<std::uint32_t>(integer_);
  return static_cast<std::uint64_t>(integer_);
}

namespace {

[[noreturn]] void Invalid(std::string_view format)
{
  throw Exception("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

struct Field {
  bool left = false, zero = false, plus = false, space = false;
  int width = -1;
  int precision = -1;
  char type = 0;
};

void Pad(std::string& out, std::string body, const Field& field, bool numeric)
{
  if (field.width < 0 || static_cast<int>(body.size()) >= field.width) {
    out += body;
    return;
  }
  std::size_t fill = field.width - body.size();
  if (field.left) {
    out += body;
    out.append(fill, ' ');
  } else if (field.zero && numeric) {
    // Zeros go after any sign so "-0042" rather than "00-42".
    std::size_t sign = (!body.empty() && (body[0] == '-' || body[0] == '+' || body[0] == ' ')) ? 1 : 0;
    out.append(body, 0, sign);
    out.append(fill, '0');
    out.append(body, sign);
  } else {
    out.append(fill, ' ');
    out += body;
  }
}

std::string Digits(std::uint64_t value, unsigned base, bool upper, int precision)
{
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), digits[value % base]);
    value /= base;
  } while (value);
  if (precision == 0 && text == "0") text.clear();
  if (precision > static_cast<int>(text.size())) text.insert(0, precision - text.size(), '0');
  return text;
}

}  // namespace

std::string FormatList(std::string_view format, std::initializer_list<FormatArg> list)
{
  std::vector<FormatArg> args(list);
  std::string out;
  std::size_t next = 0;
  auto take = [&]() -> const FormatArg& {
    if (next >= args.size()) Invalid(format);
    return args[next++];
  };
  auto takeInt = [&]() -> int {
    const FormatArg& arg = take();
    if (arg.kind() != FormatArg::Kind::Integer) Invalid(format);
    return static_cast<int>(arg.Signed());
  };

  for (std::size_t i = 0; i < format.size();) {
    char c = format[i++];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    Field field;
    // An index is digits followed by ':'.
    std::size_t j = i;
    while (j < format.size() && format[j] >= '0' && format[j] <= '9') ++j;
    if (j > i && j < format.size() && format[j] == ':') {
      next = std::stoul(std::string(format.substr(i, j - i)));
      i = j + 1;
    }
    for (; i < format.size(); ++i) {
      char f = format[i];
      if (f == '-') field.left = true;
      else if (f == '0') field.zero = true;
      else if (f == '+') field.plus = true;
      else if (f == ' ') field.space = true;
      else break;
    }
    if (i < format.size() && format[i] == '*') {
      field.width = takeInt();
      if (field.width < 0) {
        field.left = true;
        field.width = -field.width;
      }
      ++i;
    } else {
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        field.width = (field.width < 0 ? 0 : field.width * 10) + (format[i++] - '0');
      }
    }
    if (i < format.size() && format[i] == '.') {
      ++i;
      field.precision = 0;
      if (i < format.size() && format[i] == '*') {
        field.precision = takeInt();
        ++i;
      } else {
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
          field.precision = field.precision * 10 + (format[i++] - '0');
        }
      }
    }
    // Length modifiers of the printf family carry no meaning here: the argument knows its width.
    while (i < format.size() && (format[i] == 'l' || format[i] == 'h' || format[i] == 'z' || format[i] == 'L'))
      ++i;
    if (i >= format.size()) Invalid(format);
    field.type = format[i++];

    const FormatArg& arg = take();
    switch (field.type) {
    case 's':
    case 'S': {
      if (arg.kind() != FormatArg::Kind::Text) Invalid(format);
      std::string text(arg.Text());
      if (field.precision >= 0 && static_cast<std::size_t>(field.precision) < text.size()) text.resize(field.precision);
      Pad(out, text, field, false);
      break;
    }
    case 'd':
    case 'i': {
      if (arg.kind() != FormatArg::Kind::Integer) Invalid(format);
      std::int64_t v = arg.Signed();
      std::uint64_t magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
      std::string body = Digits(magnitude, 10, false, field.precision);
      if (v < 0) body.insert(0, 1, '-');
      else if (field.plus) body.insert(0, 1, '+');
      else if (field.space) body.insert(0, 1, ' ');
      Pad(out, body, field, field.precision < 0);
      break;
    }
    case 'u':
    case 'x':
    case 'X':
    case 'o': {
      if (arg.kind() != FormatArg::Kind::Integer) Invalid(format);
      unsigned base = field.type == 'u' ? 10 : field.type == 'o' ? 8 : 16;
      Pad(out, Digits(arg.Unsigned(), base, field.type == 'X', field.precision), field, field.precision < 0);
      break;
    }
    case 'c': {
      if (arg.kind() != FormatArg::Kind::Integer) Invalid(format);
      Pad(out, std::string(1, static_cast<char>(arg.Signed())), field, false);
      break;
    }
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G': {
      double v;
      if (arg.kind() == FormatArg::Kind::Floating) v = arg.Floating();
      else if (arg.kind() == FormatArg::Kind::Integer) v = static_cast<double>(arg.Signed());
      else Invalid(format);
      std::string conv = "%";
      if (field.plus) conv += '+';
      if (field.space) conv += ' ';
      conv += ".*";
      conv += field.type;
      char buffer[512];
      int n = std::snprintf(buffer, sizeof buffer, conv.c_str(), field.precision < 0 ? 6 : std::min(field.precision, 100), v);
      if (n < 0) Invalid(format);
      Pad(out, std::string(buffer, std::min<std::size_t>(n, sizeof buffer - 1)), field, true);
      break;
    }
    default:
      Invalid(format);
    }
  }
  return out;
}
