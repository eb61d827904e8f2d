#ifndef ANGIOLITH_TREE_VESSEL_H
#define ANGIOLITH_TREE_VESSEL_H

#include <angiolith/tree/Vector3.h>
#include <angiolith/tree/ar.h>

#include <iosfwd>
#include <list>
#include <vector>

/// One centre-line sample: five 32-bit floats. A plain aggregate:
/// `VesselElement{{x, y, z}, diameter, scalar}`.
struct VesselElement {
    Vector3<float> position;
    /// Vessel diameter at the sample.
    float diameter;
    /// A further per-sample value; stored and saved, read by no algorithm of the library.
    float scalar;

    /// Elements are equal when their positions are (exactly); diameter and scalar take no part.
    bool operator==(const VesselElement& other) const { return position == other.position; }
    bool operator!=(const VesselElement& other) const { return !(*this == other); }
};

/// A sample handed from a sampler to the supplied-tissue classifier, tagged with the `id` of the
/// vessel it came from. A plain aggregate: `VesselElementID{{x, y, z}, diameter, scalar, id}`.
struct VesselElementID {
    Vector3<float> position;
    float diameter;
    float scalar;
    int vesselId;
};

typedef std::list<VesselElementID> VesselElementList;

/// Clinical attributes of one vessel.
class VesselProperties {
public:
    /// Vessel system. Int-sized with a fixed underlying type, so that any integer read from a saved
    /// tree is a valid value.
    enum NType : int { HEPATIC = 1, PORTAL = 2 };

    virtual ~VesselProperties() = default;

    /// Stored, compared and saved; interpreted by no algorithm of the library.
    bool firstFlag = true;
    /// As `firstFlag`.
    bool secondFlag = false;
    /// Anatomical segment number; 1 means undefined.
    int segment = 1;
    /// Resection status; 1 means undefined.
    int resectionStatus = 1;
    /// Vessel system (any integer read from a saved tree is kept as it is).
    NType type = PORTAL;
};

/// One unbranched vessel segment: its centre-line samples from the start (towards the root) to
/// the end, the voxels assigned to it, a cached thinned copy of the centre line, its attributes
/// and its identities.
class Vessel {
public:
    typedef std::vector<VesselElement>::iterator iterator;

    Vessel();

    /// Same element positions (in order) and the same flags, segment, resection status and type;
    /// voxels, ids, diameters and scalars are not compared.
    bool operator==(const Vessel& other) const;

    /// Appends a sample to the centre line.
    void add(const VesselElement& element);
    /// Erases the element at @p it (which must point at one); @p it then designates the next.
    void remove(iterator& it);

    void addVoxel(Vector3<float>& voxel);
    void clearVoxel();
    std::vector<Vector3<float>>& getVoxelList();

    /// The centre line itself; changes made through it do not invalidate the reduced copy.
    std::vector<VesselElement>& getElementsList();
    iterator elementsBegin();
    iterator elementsEnd();
    /// The elements after the first: a child's first element is the branching point at its
    /// parent's end, so these belong to this vessel alone. Equal to the end for fewer than two.
    iterator uniqueElementsBegin();
    iterator uniqueElementsEnd();

    int getSize() const;
    /// A copy of element @p i, or an element of five zeros when @p i is out of range.
    VesselElement getElement(int i);

    /// The thinned centre line, rebuilt first when the centre line has changed.
    iterator reducedEelementsBegin();
    iterator reducedEelementsEnd();
    int getReducedEelementsSize();

    int getId();
    void setId(int id);
    /// The id of the vessel with which this one closes a cycle, or -1.
    int getCyclicId();
    void setCyclicId(int id);
    bool isCyclic();

    VesselProperties& getProperties();

private:
    void creatReducedElemets();
    void clear();

    std::vector<Vector3<float>> voxels;
    std::vector<VesselElement> elements;
    std::vector<VesselElement> reducedElements;
    VesselProperties properties;
    bool reducedUpToDate;
    int id;
    int cyclicId;
};

/// Writes one vessel record of the tree text format.
std::ostream& operator<<(std::ostream& os, ar<Vessel>& vessel);

/// Reads one vessel record into a new `Vessel` that replaces what @p vessel held. A record that
/// ends early leaves the remaining fields at their defaults and the stream failed.
std::istream& operator>>(std::istream& is, ar<Vessel>& vessel);

#endif
