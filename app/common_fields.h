// The fourteen texts of the common information as the editor presents
// them: label, field name, what kind of link a field holds and whether it
// holds several lines. The editor's dialog and the command-line program
// share this one table.
#pragma once

#include <array>

#include "package/model.h"

namespace orv {

// What a field's "Test" label opens: nothing, the text as a web link, or
// "mailto:" followed by the text (the field holds a bare address).
enum class FieldLink { None, Web, Mail };

struct CommonField {
    const char* label;  // "Company E-mail:"
    const char* name;   // "companyEmail", as in CommonInfo
    FieldLink link;
    bool multiLine;     // holds several lines (a description, an address)
};

// In file and dialog order (CommonInfo::field(i) is field i).
const std::array<CommonField, CommonInfo::kFieldCount>& commonFields();

}  // namespace orv
