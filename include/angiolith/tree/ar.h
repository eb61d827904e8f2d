#ifndef ANGIOLITH_TREE_AR_H
#define ANGIOLITH_TREE_AR_H

#include <map>
#include <type_traits>

/// Owner of the one process-wide reference-count table shared by every `ar<T>`.
///
/// The table maps the address held by a handle to the number of live handles holding it. An
/// entry is created with the first handle to an address and erased, just before the object is
/// deleted, with the last.
///
/// Threads: every change that handles make to the table holds one process-wide lock, so handles
/// may be created, copied and dropped on several threads at once, to different objects and to
/// the same one (the object is deleted exactly once, by the thread that drops its last handle,
/// outside the lock). A null handle never takes the lock. The objects themselves are not made
/// thread-safe by this: a tree, vessel or iterator is used by one thread at a time. Code that
/// reads `counter` directly must do so while no other thread uses handles.
class arBase {
public:
    /// Live handle count per object address, for handles of every type.
    static std::map<void*, int> counter;

    arBase() = default;
    arBase(const arBase&) = default;
    /// Copies nothing: a handle's state is its pointer, which `ar<T>` assigns itself.
    arBase& operator=(const arBase&) { return *this; }

protected:
    /// Counts one more handle to @p key, under the table's lock.
    static void countHandle(void* key);
    /// Counts one handle to @p key less, under the table's lock; when it was the last, erases the
    /// entry and answers true: the caller then deletes the object.
    static bool dropHandle(void* key);
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
            countHandle(key(p));
        }
    }

    // The entry is erased before the object is deleted, so that its destructor may itself create
    // and release handles. An exception from the destructor is reported and swallowed.
    static void release(T* p) {
        if (p != nullptr && dropHandle(key(p))) {
            destroy(p);
        }
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
