#include "image/DescriptorInternals.h"

#include <angiolith/image/detail/ElementKinds.h>
#include <angiolith/relabel/IdToResectionStatusRelabelingRule.h>
#include <angiolith/relabel/IdToSegmentRelabelingRule.h>
#include <angiolith/relabel/IdToTypeRelabelingRule.h>
#include <angiolith/relabel/VesselIDRelabeling.h>

#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <typeinfo>
#include <vector>

namespace {

constexpr const char* kNullParameter =
    "Error in VesselIDRelabeling::relabel(...): parameter == NULL!";
constexpr const char* kNotThreeD = "Error in VesselIDRelabeling::relabel(...): pic->dim!=3";
constexpr const char* kWrongDatatype =
    "Error in VesselIDRelabeling::relabel(...): wrong datatype (!=lumoUInt2_t)";

// The library's own rules answer from a fixed table and keep no state.
bool isTableRule(const AbstractRelabelingRule& rule) {
    const std::type_info& type = typeid(rule);
    return type == typeid(IdToSegmentRelabelingRule) || type == typeid(IdToTypeRelabelingRule) ||
           type == typeid(IdToResectionStatusRelabelingRule);
}

// Writes the labels of the ids @p ids into @p labels (the same buffer when relabelling in place,
// so a copy costs no pass of its own) with a table rule, asking it once per id, where the id
// first occurs in storage order: a failing id stops at the same voxel, with the same line and
// error, as when every voxel asks, and the rest is a look-up (a volume has tens of millions of
// voxels, a tree a few hundred ids).
void relabelByTable(const unsigned short* ids, unsigned short* labels, unsigned int count,
                    const AbstractRelabelingRule& rule) {
    constexpr std::int32_t kUnknown = -1;
    std::vector<std::int32_t> table(65536, kUnknown);
    table[0] = 0;
    for (unsigned int i = 0; i < count; ++i) {
        const unsigned short id = ids[i];
        std::int32_t label = table[id];
        if (label == kUnknown) {
            const unsigned int asked = id;
            label = static_cast<unsigned short>(rule.getNewLabel(asked));
            table[id] = label;
        }
        labels[i] = static_cast<unsigned short>(label);
    }
}

}  // namespace

lumoTeskDescriptor* VesselIDRelabeling::relabel(lumoTeskDescriptor* pic,
                                                AbstractRelabelingRule* rule, bool clone) {
    if (pic == nullptr || rule == nullptr) {
        throw std::runtime_error(kNullParameter);
    }
    if (pic->dim != 3) {
        throw std::runtime_error(kNotThreeD);
    }
    if (pic->type != lumoTeskTypeUnsigned || pic->bits != 16) {
        throw std::runtime_error(kWrongDatatype);
    }

    // The copy is held until relabelling has succeeded, so that an exception from the rule
    // does not leak it. Its elements are not copied: relabelling writes every one of them.
    angiolith::detail::DescriptorPtr copy;
    lumoTeskDescriptor* target = pic;
    if (clone) {
        copy.reset(angiolith::detail::cloneLayout(pic));
        if (!copy) {
            throw std::bad_alloc();
        }
        target = copy.get();
    }

    const auto* ids = static_cast<const unsigned short*>(pic->data);
    auto* labels = static_cast<unsigned short*>(target->data);
    if (ids != nullptr) {
        const unsigned int count = _lumoTeskElements(pic);
        if (isTableRule(*rule)) {
            relabelByTable(ids, labels, count, *rule);
        } else {
            // A host's rule is asked at every non-zero voxel, as it may expect.
            for (unsigned int i = 0; i < count; ++i) {
                const unsigned int id = ids[i];
                labels[i] = id != 0 ? static_cast<unsigned short>(rule->getNewLabel(id)) : 0;
            }
        }
    }
    copy.release();
    return target;
}
