// Printing records the way show and add-version --dry-run print them: as
// text (the editor's label and summary, then every field the summary
// leaves out) and as JSON objects (every field, references resolved to
// the version texts and feature titles they name). Both go out through
// the context piece by piece, so a record with a list of millions of ids
// takes no more memory than a short one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"

namespace orv::cli {

// A JSON string of UTF-8 text.
std::string jsonString(std::string_view utf8);

// The records of one kind by id: (id, position) sorted.
class Names {
public:
    template <typename R>
    explicit Names(const RecordArray<R>& records);
    // The position of the first record with the id, or UINT32_MAX.
    uint32_t find(uint32_t id) const;

private:
    std::vector<std::pair<uint32_t, uint32_t>> byId_;
};

// Text: "  N. label  [id I]", the summary, the other fields.
bool writeVersionText(Context& ctx, const Package& p, uint32_t i, const Names& versions);
bool writeFeatureText(Context& ctx, const Package& p, uint32_t i, const Names& versions);
bool writeBugText(Context& ctx, const Package& p, uint32_t i, const Names& versions, const Names& features);

// JSON objects, one line each.
bool writeVersionJson(Context& ctx, const Package& p, uint32_t i, const Names& versions);
bool writeFeatureJson(Context& ctx, const Package& p, uint32_t i, const Names& versions);
bool writeBugJson(Context& ctx, const Package& p, uint32_t i, const Names& versions, const Names& features);

}  // namespace orv::cli
