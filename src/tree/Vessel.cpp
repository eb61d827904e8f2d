#include <angiolith/tree/Vessel.h>

#include <cmath>
#include <cstddef>

namespace {

// An element is kept when the step to it from the last kept element turns by less than this
// angle (radians) from the last kept step ...
constexpr double kMaxKeptTurn = 0.2;
// ... or when it lies farther than this from the last kept element (units of the positions).
constexpr double kMaxSkippedLength = 4.0;
// Below this diameter an element is degenerate.
constexpr double kMinDiameter = 0.1;

}  // namespace

Vessel::Vessel() : reducedUpToDate(true), id(-1), cyclicId(-1) {}

bool Vessel::operator==(const Vessel& other) const {
    return elements == other.elements && properties.firstFlag == other.properties.firstFlag &&
           properties.secondFlag == other.properties.secondFlag &&
           properties.segment == other.properties.segment &&
           properties.resectionStatus == other.properties.resectionStatus &&
           properties.type == other.properties.type;
}

void Vessel::add(const VesselElement& element) {
    elements.push_back(element);
    reducedUpToDate = false;
}

void Vessel::remove(iterator& it) {
    it = elements.erase(it);
    reducedUpToDate = false;
}

void Vessel::addVoxel(Vector3<float>& voxel) {
    // Copied first: the argument may be an element of `voxels`, which push_back may reallocate.
    const Vector3<float> copy = voxel;
    voxels.push_back(copy);
}

void Vessel::clearVoxel() { voxels.clear(); }

std::vector<Vector3<float>>& Vessel::getVoxelList() { return voxels; }

std::vector<VesselElement>& Vessel::getElementsList() { return elements; }

Vessel::iterator Vessel::elementsBegin() { return elements.begin(); }

Vessel::iterator Vessel::elementsEnd() { return elements.end(); }

Vessel::iterator Vessel::uniqueElementsBegin() {
    return elements.empty() ? elements.end() : elements.begin() + 1;
}

Vessel::iterator Vessel::uniqueElementsEnd() { return elements.end(); }

int Vessel::getSize() const { return static_cast<int>(elements.size()); }

VesselElement Vessel::getElement(int i) {
    if (i < 0 || i >= getSize()) {
        return VesselElement{{0.0f, 0.0f, 0.0f}, 0.0f, 0.0f};
    }
    return elements[static_cast<std::size_t>(i)];
}

Vessel::iterator Vessel::reducedEelementsBegin() {
    if (!reducedUpToDate) {
        creatReducedElemets();
    }
    return reducedElements.begin();
}

Vessel::iterator Vessel::reducedEelementsEnd() {
    if (!reducedUpToDate) {
        creatReducedElemets();
    }
    return reducedElements.end();
}

int Vessel::getReducedEelementsSize() {
    if (!reducedUpToDate) {
        creatReducedElemets();
    }
    return static_cast<int>(reducedElements.size());
}

int Vessel::getId() { return id; }

void Vessel::setId(int newId) { id = newId; }

int Vessel::getCyclicId() { return cyclicId; }

void Vessel::setCyclicId(int newId) { cyclicId = newId; }

bool Vessel::isCyclic() { return cyclicId != -1; }

VesselProperties& Vessel::getProperties() { return properties; }

// Thins the centre line: from the first element on, an element is kept when the step from the
// last kept element continues the last kept step (turn below kMaxKeptTurn) or is longer than
// kMaxSkippedLength; the last element is always kept. The first reference step is (1, 1, 1).
// Short centre lines (fewer than four elements) are copied whole and stay marked as outdated.
void Vessel::creatReducedElemets() {
    reducedElements.clear();
    const std::size_t n = elements.size();
    if (n < 4) {
        reducedElements = elements;
        return;
    }
    reducedElements.push_back(elements[0]);
    Vector3<float> anchor = elements[0].position;
    double rx = 1.0, ry = 1.0, rz = 1.0;
    for (std::size_t k = 1; k < n; ++k) {
        const Vector3<float>& p = elements[k].position;
        const double dx = p.x - anchor.x, dy = p.y - anchor.y, dz = p.z - anchor.z;
        const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
        const double ux = dx / len, uy = dy / len, uz = dz / len;
        const double cx = uy * rz - uz * ry, cy = uz * rx - ux * rz, cz = ux * ry - uy * rx;
        const double angle =
            std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), ux * rx + uy * ry + uz * rz);
        // A zero step gives a NaN angle and a zero length: only the last element is kept then.
        if (angle < kMaxKeptTurn || len > kMaxSkippedLength || k == n - 1) {
            rx = ux;
            ry = uy;
            rz = uz;
            reducedElements.push_back(elements[k]);
            anchor = p;
        }
    }
    reducedUpToDate = true;
}

// Removes degenerate elements after the first: a repeat of the previous position or a diameter
// below kMinDiameter.
void Vessel::clear() {
    std::size_t k = 1;
    while (k < elements.size()) {
        const VesselElement& e = elements[k];
        if (e.position == elements[k - 1].position ||
            static_cast<double>(e.diameter) < kMinDiameter) {
            elements.erase(elements.begin() + static_cast<std::ptrdiff_t>(k));
            k = 1;
        } else {
            ++k;
        }
    }
    reducedUpToDate = false;
}
