#include <angiolith/tree/ar.h>

#include <gtest/gtest.h>

#include <cstddef>

namespace {

// Counts its own constructions and destructions.
struct Tracked {
    static inline int alive = 0;
    static inline int deleted = 0;
    Tracked() { ++alive; }
    ~Tracked() {
        --alive;
        ++deleted;
    }
};

int countOf(void* p) {
    auto it = arBase::counter.find(p);
    return it == arBase::counter.end() ? 0 : it->second;
}

// A destructor that itself releases a handle to another object.
struct Holder {
    ar<Tracked> inner;
};

class arTest : public testing::Test {
protected:
    void SetUp() override {
        tableSize = arBase::counter.size();
        Tracked::alive = 0;
        Tracked::deleted = 0;
    }
    void TearDown() override { EXPECT_EQ(arBase::counter.size(), tableSize); }
    std::size_t tableSize = 0;
};

TEST_F(arTest, CountsFollowCopiesAndTheLastHandleDeletes) {
    auto* t = new Tracked();
    {
        ar<Tracked> a(t);
        EXPECT_EQ(countOf(t), 1);
        {
            ar<Tracked> b(a);
            ar<Tracked> c;
            c = b;
            EXPECT_EQ(countOf(t), 3);
            EXPECT_TRUE(a == c);
            EXPECT_EQ(c.get(), t);
        }
        EXPECT_EQ(countOf(t), 1);
        EXPECT_EQ(Tracked::deleted, 0);
        // Self-assignment, by handle and by pointer, keeps the object and the count.
        ar<Tracked>& alias = a;
        a = alias;
        a = t;
        EXPECT_EQ(countOf(t), 1);
        EXPECT_EQ(Tracked::alive, 1);
    }
    EXPECT_EQ(arBase::counter.count(t), 0u);
    EXPECT_EQ(Tracked::deleted, 1);
    EXPECT_EQ(Tracked::alive, 0);
}

TEST_F(arTest, AssigningNullOrAnotherObjectReleasesTheOldOne) {
    auto* first = new Tracked();
    auto* second = new Tracked();
    ar<Tracked> a(first);
    ar<Tracked> b(second);
    a = b;
    EXPECT_EQ(arBase::counter.count(first), 0u);
    EXPECT_EQ(Tracked::deleted, 1);
    EXPECT_EQ(countOf(second), 2);
    a = nullptr;
    EXPECT_EQ(countOf(second), 1);
    b = static_cast<Tracked*>(nullptr);
    EXPECT_EQ(arBase::counter.count(second), 0u);
    EXPECT_EQ(Tracked::deleted, 2);
    EXPECT_FALSE(b);
}

TEST_F(arTest, NullHandlesNeverTouchTheTable) {
    ar<Tracked> a;
    ar<Tracked> b(a);
    ar<Tracked> c(nullptr);
    c = a;
    EXPECT_EQ(arBase::counter.size(), tableSize);
    EXPECT_EQ(arBase::counter.count(nullptr), 0u);
}

TEST_F(arTest, HandlesOfDifferentTypesShareOneCount) {
    auto* t = new Tracked();
    ar<Tracked> a(t);
    ar<const Tracked> b(t);
    EXPECT_EQ(countOf(t), 2);
    a = nullptr;
    EXPECT_EQ(Tracked::alive, 1);
    b = nullptr;
    EXPECT_EQ(Tracked::alive, 0);
}

TEST_F(arTest, ADestructorMayReleaseHandlesItself) {
    auto* inner = new Tracked();
    {
        ar<Tracked> outside(inner);
        ar<Holder> holder(new Holder{ar<Tracked>(inner)});
        EXPECT_EQ(countOf(inner), 2);
        holder = nullptr;
        EXPECT_EQ(countOf(inner), 1);
    }
    EXPECT_EQ(Tracked::alive, 0);
}

TEST_F(arTest, AssigningAHandleOwnedByTheReleasedObjectKeepsItsTarget) {
    // Stepping along a chain: the handle assigned from is destroyed with the object released.
    struct Link {
        explicit Link(Link* following) : next(following) {}
        ar<Link> next;
        Tracked tracked;
    };
    ar<Link> head(new Link(new Link(new Link(nullptr))));
    EXPECT_EQ(Tracked::alive, 3);
    head = head->next;
    EXPECT_EQ(Tracked::alive, 2);
    EXPECT_EQ(countOf(head.get()), 1);
    head = head->next;
    EXPECT_EQ(Tracked::alive, 1);
    EXPECT_FALSE(head->next);
    head = head->next;
    EXPECT_EQ(Tracked::alive, 0);
}

}  // namespace
