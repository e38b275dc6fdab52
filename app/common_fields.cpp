#include "app/common_fields.h"

namespace orv {

const std::array<CommonField, CommonInfo::kFieldCount>& commonFields() {
    static constexpr std::array<CommonField, CommonInfo::kFieldCount> kFields = {{
        {"Company:", "company", FieldLink::None, false},
        {"Product:", "product", FieldLink::None, false},
        {"Product Link:", "productLink", FieldLink::Web, false},
        {"Product Description:", "productDescription", FieldLink::None, true},
        {"Upsell Link:", "upsellLink", FieldLink::Web, false},
        {"Upsell Description:", "upsellDescription", FieldLink::None, false},
        {"Company Address:", "companyAddress", FieldLink::None, true},
        {"Company Phone:", "companyPhone", FieldLink::None, false},
        {"Company E-mail:", "companyEmail", FieldLink::Mail, false},
        {"Company Link:", "companyLink", FieldLink::Web, false},
        {"Sales Phone:", "salesPhone", FieldLink::None, false},
        {"Sales E-mail:", "salesEmail", FieldLink::Mail, false},
        {"Tech Support Phone:", "techSupportPhone", FieldLink::None, false},
        {"Tech Support E-mail:", "techSupportEmail", FieldLink::Mail, false},
    }};
    return kFields;
}

}  // namespace orv
