#include "library/StructureComparison.h"

#include <bit>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "library/ClassInfo.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

using namespace Classes;

bool SameValue(const Value& a, const Value& b) {
    const auto* x = std::get_if<double>(&a);
    const auto* y = std::get_if<double>(&b);
    if (x && y) {
        return std::bit_cast<std::uint64_t>(*x) == std::bit_cast<std::uint64_t>(*y);
    }
    return a == b;
}

bool SameContent(const AttachmentContent& a, const AttachmentContent& b) {
    if (a.Present() != b.Present() || a.Size() != b.Size()) {
        return false;
    }
    if (!a.Present()) {
        return true;
    }
    const auto left = a.Open();
    const auto right = b.Open();
    std::vector<std::byte> x(1 << 16);
    std::vector<std::byte> y(1 << 16);
    for (;;) {
        const std::size_t n = left->Read(x);
        std::size_t m = 0;
        while (m < n) {
            const std::size_t got = right->Read(std::span(y).subspan(m, n - m));
            if (got == 0) {
                return false;
            }
            m += got;
        }
        if (n == 0) {
            std::byte probe[1];
            return right->Read(probe) == 0;
        }
        if (std::memcmp(x.data(), y.data(), n) != 0) {
            return false;
        }
    }
}

class Comparison {
public:
    // Walks the left structure in document order; each object's partner on
    // the right, and where it is, were found when its parent was compared.
    std::optional<std::string> Run(const Object& left, const Object& right) {
        partners_.emplace(&left, Partner{&right, std::string(left.GetClass().name)});
        std::optional<std::string> difference;
        WalkDocumentOrder(left, [&](const Object& object, std::size_t) {
            if (!difference) {
                auto partner = partners_.extract(&object);
                difference = CompareObject(Pair{&object, partner.mapped().right, std::move(partner.mapped().where)});
            }
            return !difference;
        });
        if (difference) {
            return difference;
        }
        for (const auto& [a, b, where] : references_) {
            const auto mapped = matched_.find(a);
            if ((a == nullptr) != (b == nullptr) || (a && (mapped == matched_.end() || mapped->second != b))) {
                return where + ": refers to a different object";
            }
        }
        return std::nullopt;
    }

private:
    struct Pair {
        const Object* left;
        const Object* right;
        std::string where;
    };

    struct Partner {
        const Object* right;
        std::string where;
    };

    std::optional<std::string> CompareObject(const Pair& pair) {
        const ClassInfo& info = pair.left->GetClass();
        if (&info != &pair.right->GetClass()) {
            return pair.where + ": different classes";
        }
        matched_[pair.left] = pair.right;
        const Object& a = *pair.left;
        const Object& b = *pair.right;
        for (const PropertyInfo& p : info.properties) {
            const std::string where = pair.where + "." + std::string(p.name);
            switch (ShapeOf(p.kind)) {
                case PropertyShape::Texts: {
                    const auto x = p.texts(a);
                    const auto y = p.texts(b);
                    if (!std::equal(x.begin(), x.end(), y.begin(), y.end())) {
                        return where + ": different texts";
                    }
                    break;
                }
                case PropertyShape::Content:
                    if (!SameContent(p.content(a), p.content(b))) {
                        return where + ": different content";
                    }
                    break;
                case PropertyShape::Objects: {
                    const std::size_t n = p.count(a);
                    if (n != p.count(b)) {
                        return where + ": " + std::to_string(n) + " against " + std::to_string(p.count(b)) + " members";
                    }
                    for (std::size_t i = 0; i < n; ++i) {
                        const Object* x = p.at(a, i);
                        const Object* y = p.at(b, i);
                        const std::string item = pair.where + "/" + std::string(p.name) + "[" + std::to_string(i) + "]";
                        if (!Owns(p.kind)) {
                            references_.push_back(Pair{x, y, item});
                        } else if ((x == nullptr) != (y == nullptr)) {
                            return item + ": present on one side only";
                        } else if (x) {
                            partners_.emplace(x, Partner{y, item});
                        }
                    }
                    break;
                }
                case PropertyShape::Value:
                    if (!SameValue(p.get(a), p.get(b))) {
                        return where + ": different values";
                    }
            }
        }
        return std::nullopt;
    }

    std::unordered_map<const Object*, const Object*> matched_;
    std::unordered_multimap<const Object*, Partner> partners_;  // objects reached, not yet compared
    std::vector<Pair> references_;
};

}  // namespace

std::optional<std::string> FindDifference(const Object& left, const Object& right) {
    return Comparison().Run(left, right);
}

}  // namespace Dorv::Orvan::Framework::Common
