#ifndef ANGIOLITH_RELABEL_VESSELIDRELABELING_H
#define ANGIOLITH_RELABEL_VESSELIDRELABELING_H

#include <angiolith/image/lumoTeskDescriptor.h>
#include <angiolith/relabel/AbstractRelabelingRule.h>

/// Turns a vessel-ID volume (3-D, unsigned 16-bit, 0 = no vessel) into a volume of labels by
/// replacing every non-zero voxel v with the low 16 bits of rule->getNewLabel(v).
class VesselIDRelabeling {
public:
    /// Relabels @p pic (borrowed) with @p rule (borrowed). With @p clone false the voxels of
    /// @p pic are rewritten and @p pic is returned; with @p clone true @p pic is left untouched
    /// and a relabelled copy (header, version text, tags and infoFlag of @p pic) is returned,
    /// which the caller frees with lumoTeskFree.
    ///
    /// Throws std::runtime_error when @p pic or @p rule is null, when @p pic is not 3-D or not
    /// unsigned 16-bit, and passes on the rule's exceptions. When the rule throws, the voxels
    /// before the failing one are already relabelled in @p pic (clone false), or the copy is
    /// freed again (clone true). Throws std::bad_alloc when the copy cannot be made.
    /// @warning A descriptor without element buffer (data null) has no voxels to relabel; it is
    /// returned (or copied) unchanged.
    static lumoTeskDescriptor* relabel(lumoTeskDescriptor* pic, AbstractRelabelingRule* rule,
                                       bool clone);
};

#endif
