#include <angiolith/skeleton/DistancePoint3D.h>

#include <cmath>
#include <cstddef>
#include <mutex>
#include <new>
#include <vector>

namespace {

// A pool of fixed-size slots for the points (a segregated free list): a thinning makes and
// drops one point per border voxel, and a slot taken from or returned to the
// calling thread's free list costs a few instructions against a general allocator's call.
// Slots are carved from blocks that live as long as the program; a thread's free slots go back
// to a shared list when the thread ends, so threads that come and go lose none.
struct FreeSlot {
    FreeSlot* next;
};

// Under the address sanitizer every point keeps its own allocation, so that a use after
// deletion is still caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif
#else
constexpr bool kPooled = true;
#endif

constexpr std::size_t kSlotBytes = sizeof(DistancePoint3D);
constexpr std::size_t kSlotsPerBlock = 4096;
static_assert(kSlotBytes >= sizeof(FreeSlot) && kSlotBytes % alignof(FreeSlot) == 0);

class SharedSlots {
public:
    // Free slots for a thread whose own list is empty: those of ended threads, else a new block.
    FreeSlot* take() {
        const std::lock_guard<std::mutex> lock(mutex);
        if (spare != nullptr) {
            FreeSlot* list = spare;
            spare = nullptr;
            return list;
        }
        auto* block = static_cast<unsigned char*>(::operator new(kSlotBytes* kSlotsPerBlock));
        blocks.push_back(block);
        FreeSlot* list = nullptr;
        for (std::size_t i = kSlotsPerBlock; i-- > 0;) {
            auto* slot = reinterpret_cast<FreeSlot*>(block + i * kSlotBytes);
            slot->next = list;
            list = slot;
        }
        return list;
    }

    // Takes back the free slots of an ending thread.
    void give(FreeSlot* list) {
        if (list == nullptr) return;
        FreeSlot* last = list;
        while (last->next != nullptr) last = last->next;
        const std::lock_guard<std::mutex> lock(mutex);
        last->next = spare;
        spare = list;
    }

private:
    std::mutex mutex;
    FreeSlot* spare = nullptr;
    std::vector<unsigned char*> blocks;  // kept reachable: points may outlive any one thread
};

// Never destroyed: points deleted during the program's exit still find their pool.
SharedSlots& sharedSlots() {
    static SharedSlots* slots = new SharedSlots();
    return *slots;
}

struct ThreadSlots {
    FreeSlot* free = nullptr;
    ~ThreadSlots() {
        sharedSlots().give(free);
        free = nullptr;
    }
};

thread_local ThreadSlots threadSlots;

}  // namespace

void* DistancePoint3D::operator new(std::size_t size) {
    // A subclass of another size uses the general allocator.
    if (!kPooled || size != kSlotBytes) return ::operator new(size);
    ThreadSlots& own = threadSlots;
    if (own.free == nullptr) own.free = sharedSlots().take();
    FreeSlot* slot = own.free;
    own.free = slot->next;
    return slot;
}

void DistancePoint3D::operator delete(void* p, std::size_t size) noexcept {
    if (p == nullptr) return;
    if (!kPooled || size != kSlotBytes) {
        ::operator delete(p);
        return;
    }
    auto* slot = static_cast<FreeSlot*>(p);
    ThreadSlots& own = threadSlots;
    slot->next = own.free;
    own.free = slot;
}

DistancePoint3D::DistancePoint3D(short theX, short theY, short theZ, float dx, float dy, float dz)
    : Point3D(theX, theY, theZ),
      distanceX(dx),
      distanceY(dy),
      distanceZ(dz),
      distance(0.0f),
      squaredDistance(0.0f) {
    DistancePoint3D::computeDistance();
}

DistancePoint3D::~DistancePoint3D() = default;

void DistancePoint3D::computeDistance() {
    squaredDistance = distanceX * distanceX + distanceY * distanceY + distanceZ * distanceZ;
    distance = std::sqrt(squaredDistance);
}

void DistancePoint3D::setDistanceX(float d) {
    distanceX = d;
    computeDistance();
}

void DistancePoint3D::setDistanceY(float d) {
    distanceY = d;
    computeDistance();
}

void DistancePoint3D::setDistanceZ(float d) {
    distanceZ = d;
    computeDistance();
}

void DistancePoint3D::setDistanceXYZ(float dx, float dy, float dz) {
    distanceX = dx;
    distanceY = dy;
    distanceZ = dz;
    computeDistance();
}
