// The seventeen fields of an address book entry, in the order in which they
// are added, each with the column of the contact row that fills it.

#ifndef CARDWHARF_ADDRBOOK_FIELD_MAPPING_H_
#define CARDWHARF_ADDRBOOK_FIELD_MAPPING_H_

#include <array>
#include <string_view>

namespace cardwharf {

struct FieldMapping {
  std::string_view name;
  int column;
};

inline constexpr std::array<FieldMapping, 17> kFieldMapping{{
    {"Title", 31},
    {"First Name", 16},
    {"Last Name", 24},
    {"Organization", 12},
    {"Department", 14},
    {"Address", 11},
    {"City", 5},
    {"State", 10},
    {"ZIP Code", 9},
    {"Country", 6},
    {"Office Phone Number", 7},
    {"Phone Number", 7},
    {"Fax Number", 15},
    {"Cellular Phone Number", 25},
    {"Home Phone Number", 19},
    {"Mail Stop", 27},
    {"Comments", 26},
}};

// The columns that make an entry's name: first name, a blank, last name.
inline constexpr int kFirstNameColumn = 16;
inline constexpr int kLastNameColumn = 24;

}  // namespace cardwharf

#endif  // CARDWHARF_ADDRBOOK_FIELD_MAPPING_H_
