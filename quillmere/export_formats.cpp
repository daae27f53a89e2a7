#include "quillmere/export_formats.h"

#include <cstdio>

namespace cardwharf::quillmere {
namespace {

// The length of the valid UTF-8 sequence at `s[i]` (surrogates included, so
// that an encoded lone surrogate is seen as one), or 0.
std::size_t sequenceLength(std::string_view s, std::size_t i, char32_t* cp) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b = byte(i);
  std::size_t n = b < 0x80                 ? 1
                  : b >= 0xC2 && b <= 0xDF ? 2
                  : b >= 0xE0 && b <= 0xEF ? 3
                  : b >= 0xF0 && b <= 0xF4 ? 4
                                           : 0;
  if (n == 0 || i + n > s.size()) return 0;
  char32_t v = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    v = (v << 6) | (byte(i + k) & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (v < kMin[n] || v > 0x10FFFF) return 0;
  *cp = v;
  return n;
}

const std::string* field(const StoredEntry& entry, std::string_view name) {
  for (const StoredField& f : entry.fields) {
    if (f.name == name) return &f.value;
  }
  return nullptr;
}

std::string valueOf(const StoredEntry& entry, std::string_view name) {
  const std::string* v = field(entry, name);
  return v != nullptr ? *v : std::string();
}

}  // namespace

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  char buffer[16];
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    std::size_t n = sequenceLength(text, i, &cp);
    if (n == 0) {  // not UTF-8: the character of the byte's value
      cp = static_cast<unsigned char>(text[i]);
      n = 1;
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(cp));
      out += buffer;
      i += n;
      continue;
    }
    if (cp == '"') {
      out += "\\\"";
    } else if (cp == '\\') {
      out += "\\\\";
    } else if (cp == '\n') {
      out += "\\n";
    } else if (cp == '\r') {
      out += "\\r";
    } else if (cp == '\t') {
      out += "\\t";
    } else if (cp < 0x20 || cp == 0x7F || (cp >= 0xD800 && cp <= 0xDFFF)) {
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(cp));
      out += buffer;
    } else {
      out.append(text.substr(i, n));
    }
    i += n;
  }
  return out + "\"";
}

std::string entryJson(const StoredEntry& entry) {
  std::string out = "{\"name\": " + jsonString(entry.name) + ", \"fields\": [";
  for (std::size_t i = 0; i < entry.fields.size(); ++i) {
    const StoredField& f = entry.fields[i];
    if (i > 0) out += ", ";
    out += "{\"name\": " + jsonString(f.name) + ", \"kind\": " + std::to_string(f.kind) +
           ", \"value\": " + jsonString(f.value) + "}";
  }
  return out + "]}";
}

std::string vcardText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case ',':
        out += "\\,";
        break;
      case ';':
        out += "\\;";
        break;
      case '\r':
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out += "\\n";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string foldLine(std::string_view line) {
  std::string out;
  std::size_t width = 75;  // the first line; continuation lines give one to the space
  while (line.size() > width) {
    std::size_t cut = width;
    // Never inside a UTF-8 sequence: back up to the start of one.
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    if (cut == 0) cut = width;
    out.append(line.substr(0, cut));
    out += "\r\n ";
    line.remove_prefix(cut);
    width = 74;
  }
  out.append(line);
  return out + "\r\n";
}

std::string entryVcard(const StoredEntry& entry) {
  std::string out = "BEGIN:VCARD\r\nVERSION:4.0\r\n";
  auto line = [&](const std::string& content) { out += foldLine(content); };
  auto text = [&](const char* name) { return vcardText(valueOf(entry, name)); };

  line("FN:" + vcardText(entry.name));
  line("N:" + text("Last Name") + ";" + text("First Name") + ";;;");
  if (!valueOf(entry, "Organization").empty() || !valueOf(entry, "Department").empty()) {
    line("ORG:" + text("Organization") + ";" + text("Department"));
  }
  if (!valueOf(entry, "Title").empty()) line("TITLE:" + text("Title"));
  std::string adr = ";" + text("Mail Stop") + ";" + text("Address") + ";" + text("City") + ";" +
                    text("State") + ";" + text("ZIP Code") + ";" + text("Country");
  if (adr != ";;;;;;") line("ADR;TYPE=work:" + adr);

  struct Phone {
    const char* field;
    const char* types;
  };
  static constexpr Phone kPhones[] = {{"Office Phone Number", "work,voice"},
                                      {"Phone Number", "voice"},
                                      {"Fax Number", "work,fax"},
                                      {"Cellular Phone Number", "cell"},
                                      {"Home Phone Number", "home,voice"}};
  std::string office = valueOf(entry, "Office Phone Number");
  for (const Phone& p : kPhones) {
    std::string number = valueOf(entry, p.field);
    if (number.empty()) continue;
    // The general number usually repeats the office number; once is enough.
    if (std::string_view(p.field) == "Phone Number" && number == office) continue;
    line(std::string("TEL;VALUE=text;TYPE=") + p.types + ":" + vcardText(number));
  }
  if (!valueOf(entry, "Comments").empty()) line("NOTE:" + text("Comments"));
  out += "END:VCARD\r\n";
  return out;
}

}  // namespace cardwharf::quillmere
