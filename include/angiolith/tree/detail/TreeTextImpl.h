#ifndef ANGIOLITH_TREE_DETAIL_TREETEXTIMPL_H
#define ANGIOLITH_TREE_DETAIL_TREETEXTIMPL_H

// The tree text format of LinkedNode and LinkedTree; part of LinkedTreeImpl.h. Both directions
// keep their own stack of open nodes, so the depth of a tree never reaches the call stack.

#include <angiolith/tree/LinkedTree.h>
#include <angiolith/tree/detail/LinkedTreeWalk.h>
#include <angiolith/tree/detail/TreeText.h>

#include <cstddef>
#include <istream>
#include <memory>
#include <ostream>
#include <vector>

template <typename T>
void LinkedNode<T>::print(std::ostream& os, int depth) {
    using Walk = angiolith::detail::LinkedTreeWalk<T>;
    using angiolith::detail::writeTreeTextIndent;
    // Writes a node up to its children; tells whether it has any to write.
    auto open = [&os](LinkedNode<T>* n, int d) {
        writeTreeTextIndent(os, 3 * d);
        os << n->value;
        os << ' ';
        if (Walk::isLeaf(n)) {
            os << '-';
            return false;
        }
        os << '\n';
        writeTreeTextIndent(os, 3 * (d + 1));
        os << "<\n";
        return true;
    };
    struct Frame {
        LinkedNode<T>* node;
        int depth;
        std::size_t nextChild;
        bool first;
    };
    if (!open(this, depth)) {
        return;
    }
    std::vector<Frame> stack{{this, depth, 0, true}};
    while (!stack.empty()) {
        Frame& f = stack.back();
        const std::vector<LinkedNode<T>*>& kids = f.node->children;
        while (f.nextChild < kids.size() && kids[f.nextChild] == nullptr) {
            ++f.nextChild;
        }
        if (f.nextChild == kids.size()) {
            os << '\n';
            writeTreeTextIndent(os, 3 * (f.depth + 1));
            os << ">\n";
            writeTreeTextIndent(os, 3 * f.depth);
            stack.pop_back();
            continue;
        }
        if (!f.first) {
            os << "|\n";
        }
        f.first = false;
        LinkedNode<T>* child = kids[f.nextChild++];
        const int childDepth = f.depth + 2;
        if (open(child, childDepth)) {
            stack.push_back(Frame{child, childDepth, 0, true});
        }
    }
}

template <typename T>
void LinkedNode<T>::read(std::istream& is) {
    using angiolith::detail::readTreeTextChar;
    is >> value;
    char c = 0;
    if (!readTreeTextChar(is, c) || c != '<') {
        return;
    }
    // Nodes whose child lists are open, innermost last.
    std::vector<LinkedNode<T>*> open{this};
    while (!open.empty()) {
        LinkedNode<T>* parentNode = open.back();
        parentNode->children.push_back(nullptr);
        auto* child = new LinkedNode<T>(T(), parentNode, 3);
        parentNode->children.back() = child;
        is >> child->value;
        if (!readTreeTextChar(is, c)) {
            return;
        }
        if (c == '<') {
            if (static_cast<int>(open.size()) >= angiolith::detail::kMaxTreeTextDepth) {
                is.setstate(std::ios::failbit);
                return;
            }
            open.push_back(child);
            continue;
        }
        // The child is complete: close every list that ends here.
        while (true) {
            if (!readTreeTextChar(is, c)) {
                return;
            }
            if (c != '>') {
                break;
            }
            open.pop_back();
            if (open.empty()) {
                return;
            }
        }
    }
}

template <typename T>
void LinkedTree<T>::print(std::ostream& os) {
    os << angiolith::detail::kTreeTextMagic << "\n";
    os << "{ ";
    if (root != nullptr) {
        os << "\n";
        root->print(os, 1);
    }
    os << "\n";
    os << "}" << std::endl;
}

template <typename T>
void LinkedTree<T>::read(std::istream& is) {
    using angiolith::detail::readTreeTextWord;
    // A view owns no node, so it cannot take in new ones.
    if (root != nullptr || isView) {
        return;
    }
    char word[angiolith::detail::kTreeTextWordSize];
    for (int i = 0; i < 3; ++i) {
        readTreeTextWord(is, word);
    }
    char brace = 0;
    angiolith::detail::readTreeTextChar(is, brace);
    if (!is) {
        return;
    }
    // The text of a tree without root closes the frame at once; it reads as an empty tree.
    is >> std::ws;
    if (is.peek() == '}') {
        readTreeTextWord(is, word);
        return;
    }
    if (!is.good()) {
        is.setstate(std::ios::failbit);
        return;
    }
    std::unique_ptr<LinkedNode<T>> node(new LinkedNode<T>(T(), nullptr, 3));
    node->read(is);
    root = node.release();
    readTreeTextWord(is, word);
}

#endif
