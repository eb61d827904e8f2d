#include "support/VesselTrees.h"

#include <angiolith/tree/LinkedTree.h>
#include <angiolith/tree/detail/LinkedTreeImpl.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace angiolith::test;

// Records every notification as "type:current" (or "type:-" without a current node).
struct Recorder : TreeListener<VesselRef> {
    explicit Recorder(const Labelled& l) : l(l) {}
    void treeChanged(TreeIterator<VesselRef>* where) override {
        log.push_back(std::to_string(where->getType()) + ":" +
                      (where->hasCurrent() ? at(l, *where) : std::string("-")));
    }
    const Labelled& l;
    std::vector<std::string> log;
};

class LinkedTreeTest : public HandleTableTest {};

TEST_F(LinkedTreeTest, EmptyTreeQueries) {
    Labelled l = build("");
    VesselRef v = vesselWithId(0);
    EXPECT_EQ(l.tree->size(), 0);
    EXPECT_FALSE(l.tree->contains(v));
    EXPECT_FALSE(l.tree->isRoot(v));
    EXPECT_FALSE(l.tree->isLeaf(v));
    EXPECT_TRUE(l.tree->setRoot(v));
    EXPECT_FALSE(l.tree->setRoot(vesselWithId(1)));
    EXPECT_TRUE(l.tree->isRoot(v));
    // A tree of one node answers isLeaf for any value.
    EXPECT_TRUE(l.tree->isLeaf(VesselRef()));
}

TEST_F(LinkedTreeTest, WholeTreeQueries) {
    Labelled l = build("R(A(A1,A2),B)");
    IteratorRef it = placedAt(l, "A");
    VesselRef a = it->getValue();
    VesselRef a1 = placedAt(l, "A1")->getValue();
    EXPECT_EQ(l.tree->size(), 5);
    EXPECT_TRUE(l.tree->contains(a));
    EXPECT_FALSE(l.tree->contains(vesselWithId(1)));
    EXPECT_FALSE(l.tree->isLeaf(a));
    EXPECT_TRUE(l.tree->isLeaf(a1));
    EXPECT_FALSE(l.tree->isLeaf(vesselWithId(1)));
    EXPECT_FALSE(l.tree->isRoot(a));
    EXPECT_EQ(it->indexOf(a1), 0);
    EXPECT_EQ(it->getNumberOfChildren(), 2);
    EXPECT_TRUE(it->hasParent());
    EXPECT_FALSE(it->isRoot());

    // equals compares values (handles) in preorder: a view over A equals a tree sharing them.
    TreeRef view(it->getSubTree());
    Labelled other = build("");
    EXPECT_TRUE(IteratorRef(other.tree->preorderIterator())->addSubTree(*view));
    EXPECT_TRUE(other.tree->equals(*view));
    EXPECT_TRUE(view->equals(*other.tree));
    EXPECT_FALSE(l.tree->equals(*view));
}

TEST_F(LinkedTreeTest, AddSubTreeCopiesNodesAndSharesValues) {
    Labelled l = build("R(A)");
    Labelled empty = build("");
    Labelled sub = build("X(Y,Z)");
    VesselRef x = placedAt(sub, "X")->getValue();
    // An empty source adds nothing, to an empty tree or below a node.
    EXPECT_FALSE(IteratorRef(empty.tree->preorderIterator())->addSubTree(*empty.tree));
    IteratorRef a = placedAt(l, "A");
    EXPECT_FALSE(a->addSubTree(*empty.tree));
    // A non-empty tree takes nothing from an iterator without a current node.
    EXPECT_FALSE(IteratorRef(l.tree->preorderIterator())->addSubTree(*sub.tree));
    EXPECT_EQ(l.tree->size(), 2);

    EXPECT_TRUE(a->addSubTree(*sub.tree));
    EXPECT_EQ(l.tree->size(), 5);
    EXPECT_EQ(a->indexOf(x), 0);
    // Two nodes hold X's vessel now: the source's and the copy's (plus the local handle).
    EXPECT_EQ(arBase::counter[x.get()], 3);
    // The copy's nodes are new: emptying the source leaves them.
    sub.tree->clear();
    EXPECT_EQ(arBase::counter[x.get()], 2);
    EXPECT_EQ(l.tree->size(), 5);
    IteratorRef kids(a->childIterator());
    ASSERT_TRUE(kids->hasNext());
    EXPECT_TRUE(kids->next() == x);
    EXPECT_EQ(kids->getNumberOfChildren(), 2);
}

TEST_F(LinkedTreeTest, MakeRootReversesTheParentChain) {
    Labelled l = build("R(X,M(G(H),Y))");
    IteratorRef g = placedAt(l, "G");
    EXPECT_TRUE(l.tree->makeRoot(*g));
    EXPECT_EQ(shapeOf(l, *l.tree), "G(H,M(Y,R(X)))");
    EXPECT_TRUE(g->isRoot());
    EXPECT_FALSE(l.tree->makeRoot(*placedAt(l, "G")));
    // A view refuses.
    TreeRef view(placedAt(l, "M")->getSubTree());
    IteratorRef inView(view->preorderIterator());
    inView->next();
    inView->next();
    EXPECT_FALSE(view->makeRoot(*inView));
    // A node of another tree is refused.
    EXPECT_FALSE(l.tree->makeRoot(*placedAt(build("P(Q)"), "Q")));
}

TEST_F(LinkedTreeTest, SwapSubTreesExchangesPlacesAndRefusesNesting) {
    Labelled l = build("R(A(C,D),B(E))");
    EXPECT_TRUE(l.tree->swapSubTrees(*placedAt(l, "A"), *placedAt(l, "B")));
    EXPECT_EQ(shapeOf(l, *l.tree), "R(B(E),A(C,D))");
    EXPECT_TRUE(l.tree->swapSubTrees(*placedAt(l, "E"), *placedAt(l, "D")));
    EXPECT_EQ(shapeOf(l, *l.tree), "R(B(D),A(C,E))");
    // A node and one of its descendants, in either order: refused, tree unchanged.
    EXPECT_FALSE(l.tree->swapSubTrees(*placedAt(l, "A"), *placedAt(l, "E")));
    EXPECT_FALSE(l.tree->swapSubTrees(*placedAt(l, "E"), *placedAt(l, "A")));
    EXPECT_FALSE(l.tree->swapSubTrees(*placedAt(l, "R"), *placedAt(l, "C")));
    EXPECT_FALSE(l.tree->swapSubTrees(*placedAt(l, "C"), *placedAt(l, "R")));
    EXPECT_EQ(shapeOf(l, *l.tree), "R(B(D),A(C,E))");
    EXPECT_FALSE(l.tree->swapSubTrees(*IteratorRef(l.tree->preorderIterator()), *placedAt(l, "C")));
    EXPECT_TRUE(l.tree->swapSubTrees(*placedAt(l, "C"), *placedAt(l, "C")));
    EXPECT_EQ(shapeOf(l, *l.tree), "R(B(D),A(C,E))");
}

TEST_F(LinkedTreeTest, SetChildGrowsWithNullEntriesThatWalksSkip) {
    Labelled l = build("R(A,B)");
    IteratorRef r = placedAt(l, "R");
    l.names.push_back("N");
    EXPECT_TRUE(r->setChild(5, vesselWithId(3)));
    EXPECT_EQ(r->getNumberOfChildren(), 6);
    for (int i = 2; i < 5; ++i) {
        EXPECT_FALSE(r->hasChild(i));
    }
    EXPECT_TRUE(r->hasChild(5));
    EXPECT_FALSE(r->setChild(-1, vesselWithId(2)));
    EXPECT_EQ(drain(l, l.tree->preorderIterator()), "R A B N");
    EXPECT_EQ(drain(l, l.tree->postorderIterator()), "A B N R");
    EXPECT_EQ(drain(l, r->childIterator()), "A B N");
    EXPECT_EQ(l.tree->size(), 4);
    // Over an existing child, setChild deletes it with its subtree.
    VesselRef a = placedAt(l, "A")->getValue();
    l.names.push_back("M");
    EXPECT_TRUE(r->setChild(0, vesselWithId(4)));
    EXPECT_EQ(arBase::counter[a.get()], 1);
    EXPECT_EQ(shapeOf(l, *l.tree), "R(M,B,N)");
    EXPECT_FALSE(r->removeChild(3));
    EXPECT_TRUE(r->removeChild(5));
    EXPECT_EQ(r->getNumberOfChildren(), 5);
}

TEST_F(LinkedTreeTest, RemoveAndLiftChildrenAppendsThemToTheParent) {
    Labelled l = build("R(A(A1,A2),B)");
    IteratorRef a = placedAt(l, "A");
    VesselRef aVessel = a->getValue();
    ASSERT_EQ(arBase::counter[aVessel.get()], 2);
    EXPECT_TRUE(a->removeAndLiftChildren());
    EXPECT_FALSE(a->hasCurrent());
    EXPECT_EQ(shapeOf(l, *l.tree), "R(B,A1,A2)");
    // The detached node is gone: only this test's handle keeps its vessel.
    EXPECT_EQ(arBase::counter[aVessel.get()], 1);
    EXPECT_FALSE(l.tree->contains(aVessel));
    EXPECT_EQ(drain(l, placedAt(l, "A2")->rootIterator()), "R");
    EXPECT_FALSE(placedAt(l, "R")->removeAndLiftChildren());
}

TEST_F(LinkedTreeTest, RemoveDeletesTheSubtreeAndForgetsIt) {
    Labelled l = build("R(A(A1,A2),B)");
    VesselRef a1 = placedAt(l, "A1")->getValue();
    IteratorRef it = placedAt(l, "A");  // A1 pending
    EXPECT_TRUE(it->remove());
    EXPECT_FALSE(it->hasCurrent());
    EXPECT_FALSE(it->remove());
    EXPECT_EQ(arBase::counter[a1.get()], 1);
    EXPECT_EQ(shapeOf(l, *l.tree), "R(B)");
    // The removed node was pending; the iterator ends instead of stepping into it.
    EXPECT_FALSE(it->hasNext());
    // Removing the root empties the tree.
    EXPECT_TRUE(placedAt(l, "R")->remove());
    EXPECT_EQ(l.tree->size(), 0);
}

TEST_F(LinkedTreeTest, ListenersHearEveryStructuralEdit) {
    Labelled l = build("");
    l.names = {"R", "A", "B", "C", "D"};
    Recorder rec(l);
    EXPECT_TRUE(l.tree->addListener(&rec));
    EXPECT_FALSE(l.tree->addListener(&rec));
    l.tree->setRoot(vesselWithId(0));
    IteratorRef r = placedAt(l, "R");
    r->addChild(vesselWithId(1));
    r->setChild(1, vesselWithId(2));
    IteratorRef a = placedAt(l, "A");
    a->addChild(vesselWithId(3));
    a->setValue(vesselWithId(4));  // not a structural edit
    IteratorRef c(l.tree->preorderIterator(*a));
    c->next();
    c->next();
    c->remove();  // notified at the parent of the removed node
    a->addSubTree(*build("X(Y)").tree);
    a->removeChild(0);
    r->removeAndLiftChildren();  // refused at the root: no notification
    IteratorRef d = placedAt(l, "D");
    d->removeAndLiftChildren();
    d->addChild(vesselWithId(1));  // without a current node in a non-empty tree: refused
    r->remove();                   // removing the root notifies nobody
    // setRoot reports a whole-tree iterator; a removal reports its parent (A, renamed D by
    // setValue); removeAndLiftChildren reports the editing iterator, left without a current node.
    EXPECT_EQ(rec.log,
              (std::vector<std::string>{"1:-", "1:R", "1:R", "1:A", "1:D", "1:D", "1:D", "1:-"}));
    EXPECT_TRUE(l.tree->removeListener(&rec));
    EXPECT_FALSE(l.tree->removeListener(&rec));
}

TEST_F(LinkedTreeTest, ViewsNeverDeleteNodes) {
    Labelled l = build("R(A(A1,A2),B)");
    {
        TreeRef view(placedAt(l, "A")->getSubTree());
        EXPECT_EQ(view->size(), 3);
        view->clear();
        EXPECT_EQ(view->size(), 0);
    }
    { TreeRef view(placedAt(l, "A")->getSubTree()); }
    EXPECT_EQ(shapeOf(l, *l.tree), "R(A(A1,A2),B)");
}

// The templates stay usable for element types other than the vessel the library compiles (the
// orders themselves are the same template code the vessel tree's tests walk).
TEST(LinkedTreeOfInts, ReadsWalksCopiesAndWritesLikeTheVesselTree) {
    LinkedTree<int> tree;
    std::istringstream given("HAVN-TSL 2000 Tree { 1 < 2 < 4 - | 5 - > | 3 - > }");
    tree.read(given);
    ASSERT_TRUE(given);
    auto order = [](TreeIterator<int>* raw) {
        std::unique_ptr<TreeIterator<int>> it(raw);
        std::vector<int> values;
        while (it->hasNext()) {
            values.push_back(it->next());
        }
        return values;
    };
    EXPECT_EQ(order(tree.preorderIterator()), (std::vector<int>{1, 2, 4, 5, 3}));
    EXPECT_EQ(order(tree.postorderIterator()), (std::vector<int>{4, 5, 2, 3, 1}));

    LinkedTree<int> copy;
    ASSERT_TRUE(std::unique_ptr<TreeIterator<int>>(copy.preorderIterator())->addSubTree(tree));
    EXPECT_TRUE(copy.equals(tree));

    std::ostringstream written;
    tree.print(written);
    LinkedTree<int> read;
    std::istringstream text(written.str());
    read.read(text);
    EXPECT_TRUE(read.equals(tree));
    EXPECT_EQ(read.size(), 5);
}

}  // namespace
