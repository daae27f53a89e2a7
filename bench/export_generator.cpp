#include "bench/export_generator.h"

#include <cstdio>
#include <stdexcept>

namespace cardwharf::bench {
namespace {

const char* const kFirst[] = {"Anna",
                              "J\xFCrgen",
                              "Fran\xE7ois",
                              "Bj\xC3\xB6rn",
                              "Mar\xC3\xAD"
                              "a",
                              "Peter",
                              "Zo\xEB",
                              "Chlo\xC3\xA9",
                              "Omar",
                              "Ingrid"};
const char* const kLast[] = {"M\xFCller",
                             "Smith",
                             "Garc\xC3\xAD"
                             "a",
                             "O'Brien",
                             "Nakamura",
                             "\xC5str\xF6m",
                             "Dubois",
                             "Kowalski",
                             "Rossi",
                             "Nguyen"};
const char* const kCity[] = {"Oslo", "M\xFCnchen", "Lyon", "Z\xC3\xBCrich", "Leeds", "Porto"};

std::string quoted(const std::string& v) {
  return "\"" + v + "\"";
}

}  // namespace

std::string heading() {
  static const char* const names[] = {
      "Account",      "Assistant",       "Assistant Phone", "Birthday",   "City",
      "Country",      "Business Phone",  "Business Fax",    "ZIP",        "State",
      "Street",       "Company",         "Customer ID",     "Department", "Business Fax 2",
      "First Name",   "Gender",          "Government ID",   "Home Phone", "Home City",
      "Home Country", "Home Street",     "Home ZIP",        "Last Name",  "Mobile Phone",
      "Notes",        "Office Location", "Pager",           "Private",    "Spouse",
      "Title"};
  std::string line;
  for (int i = 0; i < 31; ++i) {
    if (i > 0) line += ",";
    line += i == 28 ? std::string(names[i]) : quoted(names[i]);
  }
  return line + "\r\n";
}

void appendContact(std::uint64_t n, std::string& out) {
  std::string num = std::to_string(n);
  std::string first = kFirst[n % 10];
  std::string last = std::string(kLast[(n / 10) % 10]);
  std::string cols[32];
  cols[5] = kCity[n % 6];
  cols[6] = n % 3 == 0 ? "Norway" : "Germany";
  cols[7] = "+47 22 " + num;
  cols[9] = std::to_string(10000 + n % 90000);
  cols[10] = "State " + std::to_string(n % 50);
  cols[11] = n % 4 == 0 ? num + " Harbour Road\r\nBuilding " + std::to_string(n % 7) + "\r\nFloor 3"
                        : num + " Main Street";
  cols[12] = "Company " + std::to_string(n % 977) + ", Ltd.";
  cols[14] = "Sales";
  cols[15] = "+47 22 " + num + "9";
  cols[16] = first;
  cols[19] = "+47 23 " + num;
  cols[24] = last;
  cols[25] = "+47 9" + num;
  cols[26] = n % 5 == 0 ? "Met at the \"\"fair\"\", 1999.\r\nCall after 5, not before."
                        : "Customer since 19" + std::to_string(80 + n % 20);
  cols[27] = "MS-" + std::to_string(n % 300);
  cols[31] = n % 2 == 0 ? "Dr." : "Ms.";
  for (int c = 1; c <= 31; ++c) {
    if (c > 1) out += ",";
    out += c == 29 ? std::string(n % 2 == 0 ? "1" : "0") : quoted(cols[c]);
  }
  out += "\r\n";
}

std::uint64_t writeExport(const std::string& path, std::uint64_t contacts, std::uint64_t bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("cannot create " + path);
  std::string chunk = heading();
  std::uint64_t written = 0;
  std::uint64_t n = 0;
  bool ok = true;
  for (;;) {
    bool done = contacts > 0 ? n >= contacts : written + chunk.size() >= bytes;
    if (done || chunk.size() >= (1 << 20)) {
      ok = ok && std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size();
      written += chunk.size();
      chunk.clear();
    }
    if (done) break;
    appendContact(n++, chunk);
  }
  ok = std::fclose(f) == 0 && ok;
  if (!ok) throw std::runtime_error("cannot write " + path);
  return n;
}

}  // namespace cardwharf::bench
