#ifndef ANGIOLITH_TREE_AR_H
#define ANGIOLITH_TREE_AR_H

#include <map>
#include <type_traits>

/// Owner of the one process-wide reference-count table shared by every `ar<T>`.
///
/// The table maps the address held by a handle to the number of live handles holding it. An
/// entry is created with the first handle to an address and erased, just before the object is
/// deleted, with the last. The table is not synchronized: handles are used by one thread at a
/// time.
class arBase {
public:
    /// Live handle count per object address, for handles of every type.
    static std::map<void*, int> counter;

    arBase() = default;
    arBase(const arBase&) = default;
    /// Copies nothing: a handle's state is its pointer, which `ar<T>` assigns itself.
    arBase& operator=(const arBase&) { return *this; }

protected:
    /// Reports, as a diagnostic line on the standard output, that deleting a pointee threw.
    static void reportFailedDeletion();
};

/// A reference-counting handle whose count lives in `arBase::counter`, keyed by the address it
/// holds; the object is deleted when the last handle to that address lets go.
///
/// The pointee must have been created with `new` and must not be deleted by anyone else. All
/// handles to one object must hold the same address, that is, be of types that store the same
/// subobject (an iterator handed out through an interface base is always held through that base).
template <typename T>
class ar : public arBase {
public:
    /// A null handle; it never touches the count table.
    ar() : ptr(nullptr) {}

    /// Takes a share of @p p (created with `new`, or null).
    ar(T* p) : ptr(p) { acquire(p); }

    ar(const ar& other) : arBase(other), ptr(other.ptr) { acquire(ptr); }

    ~ar() { release(ptr); }

    /// Lets go of the held object (deleting it if this was its last handle) and takes a share of
    /// @p p. Assigning the held pointer again changes nothing.
    ar& operator=(T* p) {
        if (p == ptr) {
            return *this;
        }
        // The new object is counted before the old one is released, so that releasing the old
        // one cannot delete the new one when it is owned, directly or not, by the old one.
        acquire(p);
        T* old = ptr;
        ptr = p;
        release(old);
        return *this;
    }

    ar& operator=(const ar& other) { return *this = other.ptr; }

    T* operator->() const { return ptr; }
    T& operator*() const { return *ptr; }

    /// The held pointer (null for a null handle); the handle keeps its share.
    T* get() const { return ptr; }

    /// Whether the handle holds an object.
    explicit operator bool() const { return ptr != nullptr; }

    /// Handles are equal when they hold the same address.
    bool operator==(const ar& other) const { return ptr == other.ptr; }
    bool operator!=(const ar& other) const { return ptr != other.ptr; }

private:
    static void* key(T* p) { return const_cast<void*>(static_cast<const volatile void*>(p)); }

    static void acquire(T* p) {
        if (p != nullptr) {
            ++counter[key(p)];
        }
    }

    // The entry is erased before the object is deleted, so that its destructor may itself create
    // and release handles. An exception from the destructor is reported and swallowed.
    static void release(T* p) {
        if (p == nullptr) {
            return;
        }
        void* k = key(p);
        --counter[k];
        auto entry = counter.find(k);
        if (entry->second != 0) {
            return;
        }
        counter.erase(entry);
        destroy(p);
    }

    // Kept out of line: when the deletion is inlined into a caller that releases the same address
    // twice, GCC cannot see that only the last release deletes and reports a use after free.
    [[gnu::noinline]] static void destroy(T* p) {
        try {
            delete p;
        } catch (...) {
            reportFailedDeletion();
        }
    }

    T* ptr;
};

#endif
