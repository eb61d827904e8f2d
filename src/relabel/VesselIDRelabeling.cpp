#include <angiolith/image/detail/ElementKinds.h>
#include <angiolith/relabel/VesselIDRelabeling.h>

#include <memory>
#include <new>
#include <stdexcept>

namespace {

constexpr const char* kNullParameter =
    "Error in VesselIDRelabeling::relabel(...): parameter == NULL!";
constexpr const char* kNotThreeD = "Error in VesselIDRelabeling::relabel(...): pic->dim!=3";
constexpr const char* kWrongDatatype =
    "Error in VesselIDRelabeling::relabel(...): wrong datatype (!=lumoUInt2_t)";

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
    // does not leak it.
    angiolith::detail::DescriptorPtr copy;
    lumoTeskDescriptor* target = pic;
    if (clone) {
        copy.reset(lumoTeskClone(pic));
        if (!copy) {
            throw std::bad_alloc();
        }
        target = copy.get();
    }

    auto* voxels = static_cast<unsigned short*>(target->data);
    if (voxels != nullptr) {
        const unsigned int count = _lumoTeskElements(target);
        for (unsigned int i = 0; i < count; ++i) {
            if (voxels[i] != 0) {
                const unsigned int id = voxels[i];
                voxels[i] = static_cast<unsigned short>(rule->getNewLabel(id));
            }
        }
    }
    copy.release();
    return target;
}
