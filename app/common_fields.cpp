#include "app/common_fields.h"

namespace orv {

const std::array<CommonField, CommonInfo::kFieldCount>& commonFields() {
    static constexpr std::array<CommonField, CommonInfo::kFieldCount> kFields = {{
        {"Company:", "company", LinkKind::None},
        {"Product:", "product", LinkKind::None},
        {"Product Link:", "productLink", LinkKind::Web},
        {"Product Description:", "productDescription", LinkKind::None},
        {"Upsell Link:", "upsellLink", LinkKind::Web},
        {"Upsell Description:", "upsellDescription", LinkKind::None},
        {"Company Address:", "companyAddress", LinkKind::None},
        {"Company Phone:", "companyPhone", LinkKind::None},
        {"Company E-mail:", "companyEmail", LinkKind::Mail},
        {"Company Link:", "companyLink", LinkKind::Web},
        {"Sales Phone:", "salesPhone", LinkKind::None},
        {"Sales E-mail:", "salesEmail", LinkKind::Mail},
        {"Tech Support Phone:", "techSupportPhone", LinkKind::None},
        {"Tech Support E-mail:", "techSupportEmail", LinkKind::Mail},
    }};
    return kFields;
}

}  // namespace orv
