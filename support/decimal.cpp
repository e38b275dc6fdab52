#include "support/decimal.h"

#include <algorithm>
#include <cstdio>

namespace orv {

namespace {

using Limbs = std::vector<uint32_t>;
constexpr uint32_t kBase = 1000000000u;

int compareMagnitude(const Limbs& a, const Limbs& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = a.size(); i-- > 0;)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}

Limbs addMagnitude(const Limbs& a, const Limbs& b) {
    Limbs out(std::max(a.size(), b.size()) + 1, 0);
    uint64_t carry = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        uint64_t s = carry + (i < a.size() ? a[i] : 0) + (i < b.size() ? b[i] : 0);
        out[i] = static_cast<uint32_t>(s % kBase);
        carry = s / kBase;
    }
    return out;
}

// a - b with |a| >= |b|.
Limbs subtractMagnitude(const Limbs& a, const Limbs& b) {
    Limbs out(a.size(), 0);
    int64_t borrow = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int64_t d = static_cast<int64_t>(a[i]) - borrow - (i < b.size() ? b[i] : 0);
        borrow = d < 0;
        out[i] = static_cast<uint32_t>(d < 0 ? d + kBase : d);
    }
    return out;
}

}  // namespace

Decimal::Decimal(uint64_t v) {
    while (v) {
        limbs_.push_back(static_cast<uint32_t>(v % kBase));
        v /= kBase;
    }
}

void Decimal::trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
    if (limbs_.empty()) negative_ = false;
}

Decimal Decimal::parse(std::string_view t) {
    size_t i = 0;
    while (i < t.size() && isBlankByte(static_cast<unsigned char>(t[i]))) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    size_t start = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    Decimal d;
    // Nine digits a limb, from the right.
    for (size_t end = i; end > start;) {
        size_t begin = end >= start + 9 ? end - 9 : start;
        uint32_t limb = 0;
        for (size_t k = begin; k < end; ++k) limb = limb * 10 + static_cast<uint32_t>(t[k] - '0');
        d.limbs_.push_back(limb);
        end = begin;
    }
    d.negative_ = negative;
    d.trim();
    return d;
}

ByteString Decimal::toText() const {
    if (limbs_.empty()) return "0";
    ByteString out;
    if (negative_) out.append('-');
    char buf[16];
    int n = std::snprintf(buf, sizeof buf, "%u", limbs_.back());
    out.append(buf, static_cast<uint32_t>(n));
    for (size_t i = limbs_.size() - 1; i-- > 0;) {
        n = std::snprintf(buf, sizeof buf, "%09u", limbs_[i]);
        out.append(buf, static_cast<uint32_t>(n));
    }
    return out;
}

uint64_t Decimal::toU64Saturated() const {
    if (negative_) return 0;
    uint64_t v = 0;
    for (size_t i = limbs_.size(); i-- > 0;) {
        if (v > (UINT64_MAX - limbs_[i]) / kBase) return UINT64_MAX;
        v = v * kBase + limbs_[i];
    }
    return v;
}

Decimal Decimal::operator-() const {
    Decimal d(*this);
    if (!d.limbs_.empty()) d.negative_ = !d.negative_;
    return d;
}

Decimal operator+(const Decimal& a, const Decimal& b) {
    Decimal out;
    if (a.negative_ == b.negative_) {
        out.limbs_ = addMagnitude(a.limbs_, b.limbs_);
        out.negative_ = a.negative_;
    } else if (compareMagnitude(a.limbs_, b.limbs_) >= 0) {
        out.limbs_ = subtractMagnitude(a.limbs_, b.limbs_);
        out.negative_ = a.negative_;
    } else {
        out.limbs_ = subtractMagnitude(b.limbs_, a.limbs_);
        out.negative_ = b.negative_;
    }
    out.trim();
    return out;
}

Decimal operator-(const Decimal& a, const Decimal& b) { return a + (-b); }

Decimal operator*(const Decimal& a, const Decimal& b) {
    Decimal out;
    if (a.isZero() || b.isZero()) return out;
    std::vector<uint64_t> acc(a.limbs_.size() + b.limbs_.size() + 1, 0);
    for (size_t i = 0; i < a.limbs_.size(); ++i) {
        uint64_t carry = 0;
        for (size_t j = 0; j < b.limbs_.size(); ++j) {
            uint64_t cur = acc[i + j] + static_cast<uint64_t>(a.limbs_[i]) * b.limbs_[j] + carry;
            acc[i + j] = cur % kBase;
            carry = cur / kBase;
        }
        for (size_t k = i + b.limbs_.size(); carry; ++k) {
            uint64_t cur = acc[k] + carry;
            acc[k] = cur % kBase;
            carry = cur / kBase;
        }
    }
    out.limbs_.assign(acc.begin(), acc.end());
    out.negative_ = a.negative_ != b.negative_;
    out.trim();
    return out;
}

int compare(const Decimal& a, const Decimal& b) {
    if (a.negative_ != b.negative_) return a.negative_ ? -1 : 1;
    int m = compareMagnitude(a.limbs_, b.limbs_);
    return a.negative_ ? -m : m;
}

}  // namespace orv
