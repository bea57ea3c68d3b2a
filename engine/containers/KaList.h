#ifndef KA_LIST_H
#define KA_LIST_H

#include <cstdint>

// Doubly linked list whose iterators stay usable while the list changes.
//
// Every iterator registers itself with its list (a chain threaded through the
// iterators). Removing a node moves each iterator standing on it back to the
// node's predecessor, so a loop may remove the element it stands on and then
// advance as usual, without skipping or revisiting anything:
//
//     for (KaList<T>::KaIterator it = list.firstElement(); it != list.end(); ++it)
//         if (unwanted(*it))
//             list.remove(it.node());
//
// Both ends are heap sentinel nodes, so an iterator always stands on a real
// node. begin() stands on the head sentinel, before the first element: a loop
// starts from firstElement() or advances a copy of begin() once. ++ on the tail
// sentinel stays there.
//
// Because iterators hold the list's address and links into its chain, neither
// a KaList nor a KaList::KaIterator is relocatable. A KaList held by value in
// another object, on the stack or in a list node is fine.
//
// Iterators should be destroyed before their list. One that outlives it is
// cut loose by the list's destructor: it then belongs to no list, must not be
// dereferenced or advanced, and is destroyed harmlessly.
//
// Copies are deep: each element is copied with T's copy constructor; what
// pointer elements point to is shared, never copied or deleted.
// Not thread-safe: a list and its iterators stay on one thread.

template <class T>
class KaList;

template <class T>
class KaNode {
public:
    KaNode() : value(), next(nullptr), previous(nullptr) {}
    explicit KaNode(const T& initialValue) : value(initialValue), next(nullptr), previous(nullptr) {}

    KaNode(const KaNode&) = delete;
    KaNode& operator=(const KaNode&) = delete;

    T value;
    KaNode* next;     // null only in the tail sentinel
    KaNode* previous; // null only in the head sentinel
};

template <class T>
class KaList {
public:
    class KaIterator {
    public:
        // Belongs to no list and stands nowhere; give it a place by assignment.
        KaIterator() : mList(nullptr), mNode(nullptr), mNextInChain(nullptr) {}

        KaIterator(KaList* list, KaNode<T>* node) : mList(list), mNode(node), mNextInChain(nullptr) { join(); }

        KaIterator(const KaIterator& other) : mList(other.mList), mNode(other.mNode), mNextInChain(nullptr)
        {
            if (!mList)
                return;
            mNextInChain = other.mNextInChain;
            other.mNextInChain = this;
        }

        // An iterator that moves to another list leaves its old list's chain
        // and joins the new one.
        KaIterator& operator=(const KaIterator& other)
        {
            if (this == &other)
                return *this;
            if (mList != other.mList) {
                leave();
                mList = other.mList;
                join();
            }
            mNode = other.mNode;
            return *this;
        }

        ~KaIterator() { leave(); }

        KaIterator& operator++()
        {
            if (mNode && mNode->next)
                mNode = mNode->next;
            return *this;
        }

        KaIterator operator++(int)
        {
            KaIterator before(*this);
            ++*this;
            return before;
        }

        bool operator==(const KaIterator& other) const { return mNode == other.mNode; }
        bool operator!=(const KaIterator& other) const { return mNode != other.mNode; }

        T& operator*() const { return mNode->value; }
        T* operator->() const { return &mNode->value; }

        // The node to hand to KaList::remove.
        KaNode<T>* node() const { return mNode; }
        KaList* list() const { return mList; }

    private:
        friend class KaList;

        // The list keeps this iterator's address until leave() takes it back
        // in the destructor; GCC cannot see that and calls it dangling.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif
        void join()
        {
            if (!mList)
                return;
            mNextInChain = mList->mIterators;
            mList->mIterators = this;
        }
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic pop
#endif

        // Not finding itself in the chain is tolerated: the chain is left as it is.
        void leave()
        {
            if (!mList)
                return;
            for (KaIterator** link = &mList->mIterators; *link; link = &(*link)->mNextInChain) {
                if (*link == this) {
                    *link = mNextInChain;
                    break;
                }
            }
            mList = nullptr;
            mNextInChain = nullptr;
        }

        KaList* mList;
        KaNode<T>* mNode;
        // A copy links itself in after its source, even a const one.
        mutable KaIterator* mNextInChain;
    };

    KaList()
        : mHead(new KaNode<T>()), mTail(new KaNode<T>()), mCount(0), mIterators(nullptr), mBegin(nullptr), mEnd(nullptr)
    {
        mHead->next = mTail;
        mTail->previous = mHead;
        mBegin = new KaIterator(this, mHead);
        mEnd = new KaIterator(this, mTail);
    }

    KaList(const KaList& other) : KaList() { append(other); }

    KaList& operator=(const KaList& other)
    {
        if (&other != this) {
            clear();
            append(other);
        }
        return *this;
    }

    // Appending a list to itself doubles it.
    KaList& operator+=(const KaList& other)
    {
        append(other);
        return *this;
    }

    ~KaList()
    {
        clear();
        delete mBegin;
        delete mEnd;
        // Iterators still registered now outlive the list: cut them loose so
        // that their own destruction does not reach into freed memory.
        while (mIterators) {
            KaIterator* orphan = mIterators;
            mIterators = orphan->mNextInChain;
            orphan->mList = nullptr;
            orphan->mNode = nullptr;
            orphan->mNextInChain = nullptr;
        }
        delete mHead;
        delete mTail;
    }

    void pushBack(const T& value)
    {
        KaNode<T>* node = new KaNode<T>(value);
        node->previous = mTail->previous;
        node->next = mTail;
        mTail->previous->next = node;
        mTail->previous = node;
        ++mCount;
    }

    // The node must belong to this list; sentinels are ignored. Iterators on
    // the node move to its predecessor.
    void remove(KaNode<T>* node)
    {
        if (!node || node == mHead || node == mTail)
            return;
        for (KaIterator* it = mIterators; it; it = it->mNextInChain) {
            if (it->mNode == node)
                it->mNode = node->previous;
        }
        node->next->previous = node->previous;
        node->previous->next = node->next;
        // The list is whole again before the value's destructor runs, in case
        // that destructor looks at the list.
        --mCount;
        delete node;
    }

    // Removes the first element equal to value; true when one went.
    bool remove(const T& value)
    {
        KaNode<T>* node = findNode(value);
        if (!node)
            return false;
        remove(node);
        return true;
    }

    // The first element equal to value, or an iterator equal to end().
    KaIterator find(const T& value) const
    {
        KaNode<T>* node = findNode(value);
        return KaIterator(self(), node ? node : mTail);
    }

    // Afterwards every iterator of the list stands on a sentinel.
    void clear()
    {
        while (mHead->next != mTail)
            remove(mHead->next);
    }

    // On the head sentinel, before the first element.
    KaIterator begin() const { return *mBegin; }
    // On the tail sentinel.
    KaIterator end() const { return *mEnd; }
    // On the first element; equal to end() when the list is empty.
    KaIterator firstElement() const { return KaIterator(self(), mHead->next); }
    // On the last element; on the head sentinel when the list is empty.
    KaIterator lastElement() const { return KaIterator(self(), mTail->previous); }

    std::uint64_t count() const { return mCount; }
    std::uint64_t size() const { return mCount; }
    bool isEmpty() const { return mCount == 0; }

private:
    // Iterators need a writable list to register with, even when they walk a
    // const one.
    KaList* self() const { return const_cast<KaList*>(this); }

    KaNode<T>* findNode(const T& value) const
    {
        for (KaNode<T>* node = mHead->next; node != mTail; node = node->next) {
            if (node->value == value)
                return node;
        }
        return nullptr;
    }

    // Takes the count first, so appending a list to itself ends after one round.
    void append(const KaList& other)
    {
        std::uint64_t remaining = other.mCount;
        for (KaNode<T>* node = other.mHead->next; remaining > 0; node = node->next, --remaining)
            pushBack(node->value);
    }

    KaNode<T>* mHead;
    KaNode<T>* mTail;
    std::uint64_t mCount;
    KaIterator* mIterators; // first link of the chain of live iterators
    KaIterator* mBegin;     // owned, on the head sentinel
    KaIterator* mEnd;       // owned, on the tail sentinel
};

#endif
