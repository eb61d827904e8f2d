#include "support/VesselTrees.h"

#include <angiolith/tree/LinkedTreeIterators.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace angiolith::test;
typedef ar<ArbitraryTreeIterator<VesselRef>> WalkRef;

// Irregular: depths 1 to 4, nodes with one, two and three children.
const char* const kBig = "R(A(C(D,E(F)),G),B,H(I(J,K),L))";

class LinkedTreeIteratorsTest : public HandleTableTest {};

// Every order over the irregular tree and over the view below each of a choice of its nodes;
// inorder is preorder in these trees of ordered children.
TEST_F(LinkedTreeIteratorsTest, EveryOrderOverTheTreeAndEveryViewStaysInside) {
    Labelled l = build(kBig);
    ASSERT_EQ(shapeOf(l, *l.tree), kBig);
    struct Expected {
        const char* node;  // the top of the view; null for the tree itself
        const char* pre;
        const char* post;
        const char* level;
        const char* leaves;
    };
    const Expected cases[] = {
        {nullptr, "R A C D E F G B H I J K L", "D F E C G A B J K I L H R",
         "R A B H C G I L D E J K F", "D F G B J K L"},
        {"A", "A C D E F G", "D F E C G A", "A C G D E F", "D F G"},
        {"C", "C D E F", "D F E C", "C D E F", "D F"},
        {"E", "E F", "F E", "E F", "F"},
        {"B", "B", "B", "B", "B"},
        {"H", "H I J K L", "J K I L H", "H I L J K", "J K L"},
        {"K", "K", "K", "K", "K"},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(c.node ? c.node : "tree");
        TreeRef view = l.tree;
        if (c.node != nullptr) {
            view = placedAt(l, c.node)->getSubTree();
        }
        IteratorRef pre(view->preorderIterator());
        EXPECT_EQ(drain(l, *pre), c.pre);
        EXPECT_EQ(drain(l, view->inorderIterator()), c.pre);
        EXPECT_EQ(drain(l, view->postorderIterator()), c.post);
        EXPECT_EQ(drain(l, view->levelorderIterator(10)), c.level);
        EXPECT_EQ(drain(l, view->leafIterator()), c.leaves);
        EXPECT_EQ(view->size(),
                  1 + static_cast<int>(std::count(c.pre, c.pre + std::strlen(c.pre), ' ')));
        // Past the end: hasNext stays false and next throws.
        EXPECT_FALSE(pre->hasNext());
        EXPECT_THROW(pre->next(), NoSuchElementException);
    }
}

TEST_F(LinkedTreeIteratorsTest, LevelRangesParentsChildrenAndTypes) {
    Labelled l = build(kBig);
    EXPECT_EQ(drain(l, l.tree->levelorderIterator(2, 3)), "C G I L D E J K");
    EXPECT_EQ(drain(l, l.tree->levelorderIterator(1, 1)), "A B H");
    EXPECT_EQ(drain(l, l.tree->levelorderIterator(-1)), "");

    IteratorRef walk(l.tree->preorderIterator());
    walk->next();
    EXPECT_EQ(drain(l, walk->childIterator()), "A B H");
    stepTo(l, *walk, "F");
    IteratorRef up(walk->rootIterator());
    EXPECT_EQ(drain(l, *up), "E C A R");
    stepTo(l, *walk, "H");
    IteratorRef kids(walk->childIterator());
    EXPECT_EQ(drain(l, *kids), "I L");
    EXPECT_EQ(walk->countFromHere(), 5);

    const std::pair<IteratorRef, int> types[] = {{IteratorRef(l.tree->preorderIterator()), 1},
                                                 {IteratorRef(l.tree->inorderIterator()), 2},
                                                 {IteratorRef(l.tree->postorderIterator()), 3},
                                                 {IteratorRef(l.tree->levelorderIterator(2)), 4},
                                                 {kids, 5},
                                                 {up, 6},
                                                 {IteratorRef(l.tree->leafIterator()), 7}};
    for (const auto& [it, type] : types) EXPECT_EQ(it->getType(), type);
}

TEST_F(LinkedTreeIteratorsTest, FromIteratorsContinueOverTheWholeTree) {
    Labelled l = build(kBig);
    IteratorRef walk(l.tree->preorderIterator());
    stepTo(l, *walk, "A");
    EXPECT_EQ(drain(l, l.tree->preorderIterator(*walk)), "A C D E F G B H I J K L");
    stepTo(l, *walk, "C");
    EXPECT_EQ(drain(l, l.tree->postorderIterator(*walk)), "D F E C G A B J K I L H R");
    EXPECT_EQ(drain(l, l.tree->leafIterator(*walk)), "D F G B J K L");
    // Level order from anywhere walks the whole tree from the root.
    EXPECT_EQ(drain(l, l.tree->levelorderIterator(*walk, 1, 1)), "A B H");
    stepTo(l, *walk, "E");
    EXPECT_EQ(drain(l, l.tree->preorderIterator(*walk)), "E F G B H I J K L");
    stepTo(l, *walk, "I");
    EXPECT_EQ(drain(l, l.tree->postorderIterator(*walk)), "J K I L H R");
    EXPECT_EQ(drain(l, l.tree->inorderIterator(*walk)), "I J K L");
    EXPECT_EQ(walk->countFromHere(), 4);

    // A "from" iterator made over a view stays inside the view.
    TreeRef view(placedAt(l, "C")->getSubTree());
    IteratorRef inView(view->preorderIterator());
    stepTo(l, *inView, "E");
    EXPECT_EQ(drain(l, view->preorderIterator(*inView)), "E F");
    EXPECT_EQ(drain(l, view->postorderIterator(*inView)), "F E C");
    EXPECT_EQ(drain(l, inView->rootIterator()), "C");
}

TEST_F(LinkedTreeIteratorsTest, AnEmptyTreeHasNoElementsInAnyOrder) {
    Labelled l = build("");
    std::vector<IteratorRef> its{
        IteratorRef(l.tree->preorderIterator()),    IteratorRef(l.tree->inorderIterator()),
        IteratorRef(l.tree->postorderIterator()),   IteratorRef(l.tree->leafIterator()),
        IteratorRef(l.tree->levelorderIterator(5)), IteratorRef(l.tree->walkIterator())};
    for (IteratorRef& it : its) {
        EXPECT_FALSE(it->hasNext());
        EXPECT_THROW(it->next(), NoSuchElementException);
        EXPECT_FALSE(it->hasCurrent());
        EXPECT_FALSE(it->remove());
        EXPECT_EQ(it->getNumberOfChildren(), -1);
        EXPECT_EQ(it->indexOf(VesselRef()), -1);
        EXPECT_EQ(it->getSubTree(), nullptr);
        EXPECT_FALSE(it->hasChild(0));
        EXPECT_FALSE(it->removeAndLiftChildren());
    }
    // An iterator made from one without a current node has no elements either.
    EXPECT_FALSE(IteratorRef(l.tree->postorderIterator(*its[0]))->hasNext());
    // addChild on an iterator of the empty tree creates the root and stands on it.
    EXPECT_TRUE(its[0]->addChild(vesselWithId(0)));
    EXPECT_TRUE(its[0]->isRoot());
    EXPECT_EQ(l.tree->size(), 1);
    EXPECT_FALSE(its[1]->addChild(vesselWithId(0)));
}

TEST_F(LinkedTreeIteratorsTest, WalkIteratorMovesAndStepsWithItsInnerOrder) {
    Labelled l = build(kBig);
    WalkRef walk(l.tree->walkIterator());
    EXPECT_EQ(walk->getType(), 1);
    EXPECT_EQ(at(l, *walk), "R");
    walk->next();
    EXPECT_TRUE(walk->moveToChild(0));
    EXPECT_EQ(at(l, *walk), "A");
    EXPECT_TRUE(walk->moveToChild(1));
    EXPECT_EQ(at(l, *walk), "G");
    EXPECT_FALSE(walk->moveToChild(0));
    EXPECT_FALSE(walk->moveToChild(-1));
    EXPECT_EQ(drain(l, *walk), "G B H I J K L");
    EXPECT_EQ(at(l, *walk), "L");
    EXPECT_TRUE(walk->moveToParent());
    EXPECT_EQ(at(l, *walk), "H");
    EXPECT_TRUE(walk->moveToParent());
    EXPECT_FALSE(walk->moveToParent());
    EXPECT_EQ(at(l, *walk), "R");

    // A walk made by a postorder iterator at child 1 of H steps in postorder from there.
    IteratorRef post(l.tree->postorderIterator());
    stepTo(l, *post, "H");
    WalkRef fromPost(post->walkIterator(1));
    EXPECT_EQ(fromPost->getType(), 3);
    EXPECT_EQ(at(l, *fromPost), "L");
    EXPECT_EQ(drain(l, *fromPost), "L H R");
    EXPECT_EQ(post->walkIterator(2), nullptr);
    // Child and root orders are placed anew at the parent.
    IteratorRef childIt(placedAt(l, "A")->childIterator());
    childIt->next();
    WalkRef childWalk(childIt->walkIterator(1));
    EXPECT_EQ(at(l, *childWalk), "E");
    EXPECT_EQ(drain(l, *childWalk), "F");
    // Stepping moved the walk to F; up twice is C, whose children are listed anew.
    EXPECT_TRUE(childWalk->moveToParent());
    EXPECT_TRUE(childWalk->moveToParent());
    EXPECT_EQ(at(l, *childWalk), "C");
    EXPECT_EQ(drain(l, *childWalk), "D E");
    EXPECT_EQ(IteratorRef(childWalk->clone())->getType(), 5);

    // Orders a walk cannot take are refused with an exception object on the heap (the leaf
    // order from F once F has a child).
    IteratorRef leaves(l.tree->leafIterator());
    stepTo(l, *leaves, "F");
    ASSERT_TRUE(leaves->addChild(vesselWithId(0)));
    IteratorRef inorder(l.tree->inorderIterator());
    inorder->next();
    for (TreeIterator<VesselRef>* it : {leaves.get(), inorder.get()}) {
        try {
            WalkRef refused(it->walkIterator(0));
            ADD_FAILURE() << "a walk in order " << it->getType();
        } catch (IllegalArgumentException* e) {
            delete e;
        }
    }

    // Without a current node the moves throw.
    Labelled empty = build("");
    WalkRef none(empty.tree->walkIterator());
    EXPECT_THROW(none->moveToChild(0), NoSuchElementException);
    EXPECT_THROW(none->moveToParent(), NoSuchElementException);
    EXPECT_EQ(none->getType(), 1);
}

TEST_F(LinkedTreeIteratorsTest, ATrailingCloneResumesAWalkAfterDeletions) {
    // Delete every side subtree whose top is named X*, walking in preorder with a trailing
    // iterator whose clone, stepped once, gives the walker a fresh successor after each deletion.
    Labelled l = build("R(A(X1(P),Y),X2,B(X3,X4(Q)),C)");
    IteratorRef walker(l.tree->preorderIterator());
    IteratorRef trailer(l.tree->preorderIterator());
    std::string visited;
    bool first = true;
    while (walker->hasNext()) {
        if (!first) {
            trailer->next();
        }
        first = false;
        walker->next();
        visited += at(l, *walker);
        if (walker->isLeaf()) {
            continue;
        }
        IteratorRef kids(walker->childIterator());
        while (kids->hasNext()) {
            kids->next();
            if (at(l, *kids)[0] == 'X') {
                EXPECT_TRUE(kids->remove());
                walker = trailer->clone();
                walker->next();
                kids = walker->childIterator();
            }
        }
    }
    EXPECT_EQ(visited, "RAYBC");
    EXPECT_EQ(shapeOf(l, *l.tree), "R(A(Y),B,C)");
}

TEST_F(LinkedTreeIteratorsTest, LiftingSingleChildrenDuringAPostorderWalk) {
    // Fuse every node with exactly one child with that child, children first.
    Labelled l = build("R(A(B(C)),D(E,F(G)))");
    IteratorRef post(l.tree->postorderIterator());
    std::string visited;
    while (post->hasNext()) {
        post->next();
        visited += at(l, *post);
        if (post->getNumberOfChildren() == 1) {
            IteratorRef kids(post->childIterator());
            kids->next();
            EXPECT_TRUE(kids->removeAndLiftChildren());
        }
    }
    EXPECT_EQ(visited, "CBAEGFDR");
    EXPECT_EQ(shapeOf(l, *l.tree), "R(A,D(E,F))");
}

TEST_F(LinkedTreeIteratorsTest, EditsThroughAViewStayInsideIt) {
    Labelled l = build("R(A(A1),B)");
    TreeRef view(placedAt(l, "A")->getSubTree());
    IteratorRef top(view->preorderIterator());
    top->next();
    EXPECT_TRUE(top->isRoot());
    EXPECT_TRUE(top->hasParent());
    // The view's top cannot be lifted into the tree above the view.
    EXPECT_FALSE(top->removeAndLiftChildren());
    l.names.push_back("N");
    EXPECT_TRUE(top->addChild(vesselWithId(4)));
    EXPECT_EQ(shapeOf(l, *l.tree), "R(A(A1,N),B)");
    // Removing the view's top empties the view; a view takes in no new root.
    EXPECT_TRUE(top->remove());
    EXPECT_EQ(view->size(), 0);
    EXPECT_EQ(shapeOf(l, *l.tree), "R(B)");
    IteratorRef again(view->preorderIterator());
    EXPECT_FALSE(again->addChild(vesselWithId(3)));
    EXPECT_FALSE(again->addSubTree(*build("S").tree));

    // Regression: removing the top of a view taken at the root deleted the root of the tree the
    // view was taken from, which kept pointing at it.
    TreeRef whole(placedAt(l, "R")->getSubTree());
    IteratorRef root(whole->preorderIterator());
    root->next();
    EXPECT_FALSE(root->remove());
    EXPECT_TRUE(root->hasCurrent());
    EXPECT_EQ(whole->size(), 2);
    EXPECT_EQ(shapeOf(l, *l.tree), "R(B)");
    // Below the top, edits through the view still reach the shared nodes.
    root->next();
    EXPECT_TRUE(root->remove());
    EXPECT_EQ(shapeOf(l, *l.tree), "R");
}

TEST_F(LinkedTreeIteratorsTest, RemovingThroughAChildIteratorSkipsNoSibling) {
    Labelled l = build("R(X,Y,Z(P),W)");
    IteratorRef kids(placedAt(l, "R")->childIterator());
    std::string visited;
    while (kids->hasNext()) {
        kids->next();
        const std::string name = at(l, *kids);
        visited += name;
        if (name != "Y") {
            EXPECT_TRUE(kids->remove());
        }
    }
    EXPECT_EQ(visited, "XYZW");
    EXPECT_EQ(shapeOf(l, *l.tree), "R(Y)");
}

}  // namespace
