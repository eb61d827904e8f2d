// A program built against the installed library, through its umbrella header only.
#include <angiolith/angiolith.h>

#include <cstdio>
#include <cstdlib>

int main() {
    lumoTeskDescriptor* pic = lumoTeskNew();
    if (pic == nullptr) return 1;
    pic->type = lumoTeskTypeSigned;
    pic->bits = 16;
    pic->dim = 3;
    pic->n[0] = 2;
    pic->n[1] = 2;
    pic->n[2] = 1;
    auto* values = static_cast<short*>(std::malloc(4 * sizeof(short)));
    values[0] = -200;
    values[1] = 0;
    values[2] = 17;
    values[3] = 300;
    pic->data = values;

    lumoTeskDescriptor* mask = lumoKralConvert(pic, lumoTeskTypeUnsigned, 8);
    lumoTeskFree(pic);
    if (mask == nullptr) return 2;
    VolumeAccessor<unsigned char> volume(mask, 0, true);
    const ThreeDPicAccessor<unsigned char> tissue(mask, false, 9);
    const bool converted = volume.getVoxel(0, 0, 0) == 0 && volume.getVoxel(0, 1, 0) == 17 &&
                           tissue.getVoxel(1, 1, 0) == 255 && tissue.getVoxel(2, 0, 0) == 9;
    if (!converted) return 3;

    // The vessel tree, whose template instantiation the library holds.
    ArVesselTree tree(new LinkedTree<ar<Vessel>>());
    tree->setRoot(ar<Vessel>(new Vessel()));
    ar<TreeIterator<ar<Vessel>>> root(tree->preorderIterator());
    root->next();
    root->addChild(ar<Vessel>(new Vessel()));
    if (tree->size() != 2 || VesselTreeTools::Clone(tree)->size() != 2) return 5;

    const mdx::ModuleInfo* module = mdx::ModuleRegistry::GetModule("Angiolith");
    if (module == nullptr || module->location.empty()) return 4;
    std::printf("consumer ok: %s\n", module->location.c_str());
    return 0;
}
