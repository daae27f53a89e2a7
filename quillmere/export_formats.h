// The two forms in which the quillmere command writes out a book: JSON, and
// vCard 4.0 (RFC 6350). Pure functions on stored entries; any thread.

#ifndef CARDWHARF_QUILLMERE_EXPORT_FORMATS_H_
#define CARDWHARF_QUILLMERE_EXPORT_FORMATS_H_

#include <string>
#include <string_view>

#include "quillmere/store.h"

namespace cardwharf::quillmere {

// `text` as a JSON string, quotes included. Valid UTF-8 is kept as it is;
// control characters, quotes and backslashes are escaped; a byte that is not
// part of valid UTF-8 is written as the character of the same value (an
// encoded lone surrogate as its \u escape), so that nothing is dropped.
std::string jsonString(std::string_view text);

// One entry as a JSON object:
// {"name": "...", "fields": [{"name": "...", "kind": 1, "value": "..."}, ...]}
std::string entryJson(const StoredEntry& entry);

// One entry as a vCard 4.0, CRLF line ends, long lines folded. FN is the
// entry's name; N, ORG (with the department), TITLE, ADR (the mail stop as
// its extended address), TEL (work voice, voice, work fax, cell, home
// voice) and NOTE come from the fields of those names.
std::string entryVcard(const StoredEntry& entry);

// `text` escaped as a vCard text value: backslash, comma, semicolon and line
// breaks.
std::string vcardText(std::string_view text);

// Folds one content line (without its CRLF) into lines of at most 75 octets,
// never inside a UTF-8 sequence, and ends it with CRLF.
std::string foldLine(std::string_view line);

}  // namespace cardwharf::quillmere

#endif  // CARDWHARF_QUILLMERE_EXPORT_FORMATS_H_
