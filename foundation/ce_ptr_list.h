// CePtrList<T> and CeStrList<T>: a doubly linked list of pointer-sized
// elements with pluggable copy, free and compare policies chosen by number
// (see list_policies.h), positions counted from an index base of 0 or 1, and
// a cached current node so that sequential positional access costs one step.
//
// T is a pointer type, or an integer type no wider than a pointer (OIDs,
// category numbers); integer elements always use the value policies.
//
// Positional operations return CELIST_OK, CELIST_BADPOSITION for a position
// outside the list (nothing changes), or CELIST_NOMEMORY.
//
// Sections: CePtrList; CeStrList.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <new>
#include <type_traits>

#include "foundation/list_policies.h"
#include "platform/base/types.h"

constexpr int CELIST_OK = 0;
constexpr int CELIST_BADPOSITION = 1;
constexpr int CELIST_NOMEMORY = 2;

// ---- CePtrList ----

// Under AddressSanitizer every node is an allocation of its own, freed when
// it leaves the list, so that a use of a removed node is still caught.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kCeListPoolsNodes = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kCeListPoolsNodes = false;
#else
inline constexpr bool kCeListPoolsNodes = true;
#endif
#else
inline constexpr bool kCeListPoolsNodes = true;
#endif

template <class T>
class CePtrList {
    static_assert(std::is_pointer_v<T> || (std::is_integral_v<T> && sizeof(T) <= sizeof(void*)),
                  "list elements are pointers or pointer-sized integers");

    struct Node {
        Node* prev;
        Node* next;
        T element;
    };

public:
    using SortFn = int (*)(const T&, const T&, unsigned long);

    explicit CePtrList(int indexBase = 0, int copyKind = 0, int compareKind = 0)
        : m_pHead(nullptr), m_pTail(nullptr), m_pCurrent(nullptr), m_nIndexBase(indexBase == 1 ? 1 : 0),
          m_nCurrentPos(0), m_nCount(0), m_nElementSize(0), m_DefaultElement(), m_pfnCopy(nullptr), m_pfnFree(nullptr),
          m_pfnCompare(nullptr)
    {
        SetCopyPolicy(copyKind);
        SetComparePolicy(compareKind);
    }
    CePtrList(const CePtrList&) = delete;
    CePtrList& operator=(const CePtrList&) = delete;
    CePtrList(CePtrList&& other) noexcept { TakeFrom(other); }
    CePtrList& operator=(CePtrList&& other) noexcept
    {
        if (&other != this) {
            RemoveAll();
            TakeFrom(other);
        }
        return *this;
    }
    virtual ~CePtrList() { RemoveAll(); }

    // Policies. The copy kind also picks the matching free policy.
    void SetCopyPolicy(int kind)
    {
        if constexpr (!std::is_pointer_v<T>) kind = 0;
        if (kind == 3 && SupportsRefCount()) {
            m_pfnCopy = &CopyAddRef;
            m_pfnFree = &FreeRelease;
            return;
        }
        m_pfnCopy = CeListCopyPolicy(kind);
        m_pfnFree = CeListFreePolicy(kind);
    }
    // For lists that own objects stored as they are: 1 delete, 2 free,
    // 3 LocalFree, 4 Release, 5 SysFreeString, 6 the object's destructor
    // (memory not freed), other none. Replaces the free policy.
    void SetDeletePolicy(int kind)
    {
        if constexpr (!std::is_pointer_v<T>) kind = 0;
        switch (kind) {
            case 1:
                m_pfnFree = SupportsDelete() ? &DeleteObject : nullptr;
                break;
            case 4:
                m_pfnFree = SupportsRefCount() ? &FreeRelease : nullptr;
                break;
            case 6:
                m_pfnFree = SupportsDelete() ? &DestroyObject : nullptr;
                break;
            default:
                m_pfnFree = CeListDeletePolicy(kind);
                break;
        }
    }
    void SetComparePolicy(int kind)
    {
        if constexpr (!std::is_pointer_v<T>) kind = 0;
        m_pfnCompare = CeListComparePolicy(kind);
    }
    // A caller's own policies (null free: the list never frees elements).
    void SetPolicies(CeListCopyFn copy, CeListFreeFn free, CeListCompareFn compare)
    {
        m_pfnCopy = copy ? copy : CeListCopyPolicy(0);
        m_pfnFree = free;
        m_pfnCompare = compare ? compare : CeListComparePolicy(0);
    }

    // The copy kind of the list's copy policy (0 for values and integer
    // lists), or -1 for a caller's own; the saved form of a list
    // (ce_list_file.h) writes its elements by it.
    int GetCopyKind() const
    {
        if (m_pfnCopy == &CopyAddRef) return 3;
        for (int kind : {1, 2, 4, 5, 6})
            if (m_pfnCopy == CeListCopyPolicy(kind)) return kind;
        return m_pfnCopy == CeListCopyPolicy(0) ? 0 : -1;
    }
    // Renumbers the positions from 0 or 1 (as at construction); the elements
    // and the current node stay.
    void SetIndexBase(int indexBase) { m_nIndexBase = indexBase == 1 ? 1 : 0; }

    int GetCount() const { return m_nCount; }
    bool IsEmpty() const { return m_nCount == 0; }
    int GetIndexBase() const { return m_nIndexBase; }
    int GetElementSize() const { return m_nElementSize; }
    void SetElementSize(int size) { m_nElementSize = size; }
    const T& GetDefaultElement() const { return m_DefaultElement; }
    void SetDefaultElement(const T& element) { m_DefaultElement = element; }
    // The current position counted from the index base (index base - 1 when
    // there is no current node).
    int GetCurrentPosition() const { return m_nCurrentPos + m_nIndexBase - 1; }
    // Makes the node at pos the current one.
    int SetCurrentPosition(int pos) { return NodeAt(Internal(pos)) ? CELIST_OK : CELIST_BADPOSITION; }

    // Appends a copy of element; it becomes the current node.
    int Append(const T& element)
    {
        Node* node = NewNode(element);
        if (!node) return CELIST_NOMEMORY;
        node->prev = m_pTail;
        node->next = nullptr;
        if (m_pTail) {
            m_pTail->next = node;
        } else {
            m_pHead = node;
        }
        m_pTail = node;
        ++m_nCount;
        m_pCurrent = node;
        m_nCurrentPos = m_nCount;
        return CELIST_OK;
    }
    // Inserts a copy of element before pos (one past the end appends); the
    // new node becomes the current one.
    int InsertAt(int pos, const T& element)
    {
        int ipos = Internal(pos);
        if (ipos == m_nCount + 1) return Append(element);
        Node* at = NodeAt(ipos);
        if (!at) return CELIST_BADPOSITION;
        Node* node = NewNode(element);
        if (!node) return CELIST_NOMEMORY;
        node->prev = at->prev;
        node->next = at;
        if (at->prev) {
            at->prev->next = node;
        } else {
            m_pHead = node;
        }
        at->prev = node;
        ++m_nCount;
        m_pCurrent = node;
        m_nCurrentPos = ipos;
        return CELIST_OK;
    }
    int AddHead(const T& element) { return InsertAt(m_nIndexBase, element); }

    // Stores a copy of element at pos, freeing the old one; one past the end
    // appends.
    int SetAt(int pos, const T& element)
    {
        int ipos = Internal(pos);
        if (ipos == m_nCount + 1) return Append(element);
        Node* node = NodeAt(ipos);
        if (!node) return CELIST_BADPOSITION;
        // Copy first: the new element may be the old one.
        void* copy = nullptr;
        if (!m_pfnCopy(ToSlot(element), m_nElementSize, &copy)) return CELIST_NOMEMORY;
        if (!IsSameStoredValue(copy, node->element)) FreeElement(node->element);
        node->element = FromSlot(copy);
        return CELIST_OK;
    }

    int GetAt(int pos, T& out)
    {
        Node* node = NodeAt(Internal(pos));
        if (!node) return CELIST_BADPOSITION;
        out = node->element;
        return CELIST_OK;
    }
    // The element at pos, or a zero element when pos is outside the list.
    T GetAt(int pos)
    {
        Node* node = NodeAt(Internal(pos));
        return node ? node->element : T();
    }
    // The stored element itself, or null.
    T* ElementAt(int pos)
    {
        Node* node = NodeAt(Internal(pos));
        return node ? &node->element : nullptr;
    }
    T GetHead() const { return m_pHead ? m_pHead->element : T(); }
    T GetTail() const { return m_pTail ? m_pTail->element : T(); }

    // Grows with copies of the default element or shrinks from the tail.
    int SetCount(int count)
    {
        if (count < 0) return CELIST_BADPOSITION;
        while (m_nCount > count) RemoveNode(m_pTail, true);
        while (m_nCount < count) {
            int r = Append(m_DefaultElement);
            if (r != CELIST_OK) return r;
        }
        return CELIST_OK;
    }

    // Unlinks the node at pos and frees its element (unless told not to).
    int RemoveAt(int pos, bool freeElement = true)
    {
        Node* node = NodeAt(Internal(pos));
        if (!node) return CELIST_BADPOSITION;
        RemoveNode(node, freeElement);
        return CELIST_OK;
    }
    int RemoveHead() { return RemoveAt(m_nIndexBase); }
    int RemoveTail() { return RemoveAt(m_nCount + m_nIndexBase - 1); }
    void RemoveAll()
    {
        Node* node = m_pHead;
        while (node) {
            Node* next = node->next;
            FreeElement(node->element);
            if constexpr (!kCeListPoolsNodes) std::free(node);
            node = next;
        }
        m_pHead = m_pTail = m_pCurrent = nullptr;
        m_nCount = 0;
        m_nCurrentPos = 0;
        ReleaseNodeBlocks();
    }

    // The compare policy applied to two elements.
    int Compare(const T& a, const T& b) const { return m_pfnCompare(ToSlot(a), ToSlot(b), m_nElementSize); }
    // The position of the first element that compares equal to value, from
    // start on (a position counted from the index base), or -1.
    int Find(const T& value, int start = -1) const
    {
        int ipos = start < 0 ? 1 : Internal(start);
        if (ipos < 1) ipos = 1;
        int i = 1;
        for (Node* node = m_pHead; node; node = node->next, ++i) {
            if (i >= ipos && Compare(node->element, value) == 0) return i + m_nIndexBase - 1;
        }
        return -1;
    }

    // Stable sort with a caller's comparison (param is passed through). The
    // current node becomes the head.
    void Sort(SortFn compare, unsigned long param)
    {
        if (!compare) return;
        SortNodes([&](const T& a, const T& b) { return compare(a, b, param); });
    }
    // Stable sort by the compare policy.
    void Sort()
    {
        SortNodes([&](const T& a, const T& b) { return Compare(a, b); });
    }

    // Iteration from head to tail.
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = T*;
        using reference = T&;
        iterator() = default;
        explicit iterator(Node* node) : m_node(node) {}
        T& operator*() const { return m_node->element; }
        iterator& operator++()
        {
            m_node = m_node->next;
            return *this;
        }
        iterator operator++(int)
        {
            iterator old = *this;
            m_node = m_node->next;
            return old;
        }
        bool operator==(const iterator& other) const { return m_node == other.m_node; }
        bool operator!=(const iterator& other) const { return m_node != other.m_node; }

    private:
        Node* m_node = nullptr;
    };
    iterator begin() const { return iterator(m_pHead); }
    iterator end() const { return iterator(nullptr); }

private:
    // Elements pass to the policies as untyped pointer values.
    static void* ToSlot(const T& v)
    {
        if constexpr (std::is_pointer_v<T>) {
            return const_cast<void*>(reinterpret_cast<const volatile void*>(v));
        } else {
            return reinterpret_cast<void*>(static_cast<std::uintptr_t>(static_cast<std::make_unsigned_t<T>>(v)));
        }
    }
    static T FromSlot(void* p)
    {
        if constexpr (std::is_pointer_v<T>) {
            return reinterpret_cast<T>(p);
        } else {
            return static_cast<T>(reinterpret_cast<std::uintptr_t>(p));
        }
    }

    using Object = std::remove_cv_t<std::remove_pointer_t<T>>;
    static constexpr bool SupportsRefCount()
    {
        if constexpr (std::is_pointer_v<T>) {
            return requires(T p)
            {
                p->AddRef();
                p->Release();
            };
        } else {
            return false;
        }
    }
    static constexpr bool SupportsDelete()
    {
        if constexpr (std::is_pointer_v<T>) {
            return std::is_object_v<Object> && !std::is_array_v<Object> && std::is_destructible_v<Object>;
        } else {
            return false;
        }
    }
    static bool CopyAddRef(void* element, int, void** copy)
    {
        if constexpr (SupportsRefCount()) {
            if (element) FromSlot(element)->AddRef();
        }
        *copy = element;
        return true;
    }
    static void FreeRelease(void* element)
    {
        if constexpr (SupportsRefCount()) FromSlot(element)->Release();
    }
    static void DeleteObject(void* element)
    {
        if constexpr (SupportsDelete()) delete FromSlot(element);
    }
    static void DestroyObject(void* element)
    {
        if constexpr (SupportsDelete()) FromSlot(element)->~Object();
    }

    // True when a copy is the very value already held and no reference was
    // taken for it: freeing the held one would then free the copy too.
    bool IsSameStoredValue(void* copy, const T& held) const { return copy == ToSlot(held) && m_pfnCopy != &CopyAddRef; }

    void FreeElement(const T& element)
    {
        void* slot = ToSlot(element);
        if (m_pfnFree && slot) m_pfnFree(slot);
    }

    Node* NewNode(const T& element)
    {
        void* copy = nullptr;
        if (!m_pfnCopy(ToSlot(element), m_nElementSize, &copy)) return nullptr;
        Node* node = TakeFreeNode();
        if (!node) {
            // Only a copy made here is ours to free.
            if (!IsSameStoredValue(copy, element)) FreeElement(FromSlot(copy));
            return nullptr;
        }
        node->prev = node->next = nullptr;
        node->element = FromSlot(copy);
        return node;
    }

    // A position counted from the index base to the 1-based internal one.
    int Internal(int pos) const { return pos - m_nIndexBase + 1; }

    // The node at 1-based position ipos, reached from the nearest of head,
    // current node and tail; it becomes the current node. Null outside.
    Node* NodeAt(int ipos)
    {
        if (ipos < 1 || ipos > m_nCount) return nullptr;
        Node* node;
        if (ipos == 1) {
            node = m_pHead;
        } else if (m_pCurrent && ipos == m_nCurrentPos) {
            node = m_pCurrent;
        } else if (m_pCurrent && ipos == m_nCurrentPos - 1) {
            node = m_pCurrent->prev;
        } else if (m_pCurrent && ipos == m_nCurrentPos + 1) {
            node = m_pCurrent->next;
        } else if (ipos == m_nCount) {
            node = m_pTail;
        } else {
            int fromHead = ipos - 1;
            int fromTail = m_nCount - ipos;
            int fromCurrent =
                m_pCurrent ? (ipos > m_nCurrentPos ? ipos - m_nCurrentPos : m_nCurrentPos - ipos) : m_nCount;
            if (fromCurrent <= fromHead && fromCurrent <= fromTail) {
                node = m_pCurrent;
                for (int i = m_nCurrentPos; i < ipos; ++i) node = node->next;
                for (int i = m_nCurrentPos; i > ipos; --i) node = node->prev;
            } else if (fromHead <= fromTail) {
                node = m_pHead;
                for (int i = 1; i < ipos; ++i) node = node->next;
            } else {
                node = m_pTail;
                for (int i = m_nCount; i > ipos; --i) node = node->prev;
            }
        }
        m_pCurrent = node;
        m_nCurrentPos = ipos;
        return node;
    }

    // Unlinks a node whose position is known to be valid. Removing a middle
    // node makes its follower the current node at the same position; at the
    // ends the current node stays where it was (or moves to the new end).
    void RemoveNode(Node* node, bool freeElement)
    {
        // The node's position: the current node's when it is current.
        int ipos = node == m_pCurrent ? m_nCurrentPos : node == m_pHead ? 1 : node == m_pTail ? m_nCount : 0;
        if (node == m_pHead || node == m_pTail) {
            if (node->prev) {
                node->prev->next = node->next;
            } else {
                m_pHead = node->next;
            }
            if (node->next) {
                node->next->prev = node->prev;
            } else {
                m_pTail = node->prev;
            }
            --m_nCount;
            if (m_nCount == 0) {
                m_pCurrent = nullptr;
                m_nCurrentPos = 0;
            } else if (ipos == 1) {
                // The head went: positions after it move down by one.
                if (m_pCurrent == node)
                    m_pCurrent = m_pHead;
                else
                    --m_nCurrentPos;
                if (m_pCurrent == m_pHead) m_nCurrentPos = 1;
            } else if (m_pCurrent == node) {
                m_pCurrent = m_pTail;
                m_nCurrentPos = m_nCount;
            }
        } else {
            // Positional removal made the node current; keep its position.
            if (m_pCurrent != node) {
                // Find its position so the cache stays consistent.
                int i = 1;
                for (Node* n = m_pHead; n != node; n = n->next) ++i;
                ipos = i;
            }
            node->prev->next = node->next;
            node->next->prev = node->prev;
            --m_nCount;
            m_pCurrent = node->next;
            m_nCurrentPos = ipos;
        }
        // The node goes back before the element is freed: freeing it may run
        // code that empties this list, which frees the node's block.
        const T element = node->element;
        GiveBackNode(node);
        if (freeElement) FreeElement(element);
    }

    // Nodes come from blocks the list allocates, each twice the size of the
    // one before up to kMostBlockNodes: a list of tens of thousands of
    // elements costs a few dozen allocations instead of one per element,
    // and a short list about what one allocation per node cost. A removed
    // node is kept for the next insertion; the blocks are freed when the
    // list is emptied or destroyed, so a list that shrinks without emptying
    // keeps the memory of its longest length until then. A new block's
    // nodes are handed out in order, without linking them first.
    struct NodeBlock {
        NodeBlock* next;
    };
    static constexpr size_t kMostBlockNodes = 1024;
    static_assert(sizeof(NodeBlock) % alignof(Node) == 0, "nodes follow the block header");

    Node* TakeFreeNode()
    {
        if constexpr (!kCeListPoolsNodes) return static_cast<Node*>(std::malloc(sizeof(Node)));
        if (Node* node = m_pFreeNodes) {
            m_pFreeNodes = node->next;
            return node;
        }
        if (!m_nUnusedNodes) {
            const size_t nodes = m_nNextBlockNodes;
            auto* block = static_cast<NodeBlock*>(std::malloc(sizeof(NodeBlock) + nodes * sizeof(Node)));
            if (!block) return nullptr;
            block->next = m_pNodeBlocks;
            m_pNodeBlocks = block;
            m_pUnusedNodes = reinterpret_cast<Node*>(block + 1);
            m_nUnusedNodes = nodes;
            if (m_nNextBlockNodes < kMostBlockNodes) m_nNextBlockNodes *= 2;
        }
        --m_nUnusedNodes;
        return m_pUnusedNodes++;
    }
    // A node that left the list (its element already dealt with).
    void GiveBackNode(Node* node)
    {
        if constexpr (!kCeListPoolsNodes) {
            std::free(node);
            return;
        }
        node->next = m_pFreeNodes;
        m_pFreeNodes = node;
        // An emptied list gives its nodes' memory back.
        if (m_nCount == 0) ReleaseNodeBlocks();
    }
    // Frees every block; no node may be in use. The next block keeps the
    // size reached, so a list filled again to the same length makes the
    // same few allocations.
    void ReleaseNodeBlocks()
    {
        for (NodeBlock* block = m_pNodeBlocks; block;) {
            NodeBlock* next = block->next;
            std::free(block);
            block = next;
        }
        m_pNodeBlocks = nullptr;
        m_pFreeNodes = nullptr;
        m_pUnusedNodes = nullptr;
        m_nUnusedNodes = 0;
    }

    // Stable merge sort of the node chain; never reads outside the list, even
    // when the comparison is inconsistent.
    template <class Cmp>
    void SortNodes(Cmp cmp)
    {
        if (m_nCount < 2) return;
        Node* list = m_pHead;
        for (int width = 1; width < m_nCount; width *= 2) {
            Node* result = nullptr;
            Node** tail = &result;
            Node* rest = list;
            while (rest) {
                Node* left = rest;
                Node* right = Split(left, width);
                rest = Split(right, width);
                while (left && right) {
                    if (cmp(right->element, left->element) < 0) {
                        *tail = right;
                        right = right->next;
                    } else {
                        *tail = left;
                        left = left->next;
                    }
                    tail = &(*tail)->next;
                }
                *tail = left ? left : right;
                while (*tail) tail = &(*tail)->next;
            }
            list = result;
        }
        // Relink the back pointers and the ends.
        Node* prev = nullptr;
        for (Node* n = list; n; n = n->next) {
            n->prev = prev;
            prev = n;
        }
        m_pHead = list;
        m_pTail = prev;
        m_pCurrent = m_pHead;
        m_nCurrentPos = 1;
    }
    // Cuts the chain after n nodes and returns the rest.
    static Node* Split(Node* chain, int n)
    {
        for (int i = 1; chain && i < n; ++i) chain = chain->next;
        if (!chain) return nullptr;
        Node* rest = chain->next;
        chain->next = nullptr;
        return rest;
    }

    void TakeFrom(CePtrList& other)
    {
        m_pHead = other.m_pHead;
        m_pTail = other.m_pTail;
        m_pCurrent = other.m_pCurrent;
        m_nIndexBase = other.m_nIndexBase;
        m_nCurrentPos = other.m_nCurrentPos;
        m_nCount = other.m_nCount;
        m_nElementSize = other.m_nElementSize;
        m_DefaultElement = other.m_DefaultElement;
        m_pfnCopy = other.m_pfnCopy;
        m_pfnFree = other.m_pfnFree;
        m_pfnCompare = other.m_pfnCompare;
        m_pFreeNodes = other.m_pFreeNodes;
        m_pNodeBlocks = other.m_pNodeBlocks;
        m_nNextBlockNodes = other.m_nNextBlockNodes;
        m_pUnusedNodes = other.m_pUnusedNodes;
        m_nUnusedNodes = other.m_nUnusedNodes;
        other.m_pHead = other.m_pTail = other.m_pCurrent = nullptr;
        other.m_nCurrentPos = 0;
        other.m_nCount = 0;
        other.m_pFreeNodes = nullptr;
        other.m_pNodeBlocks = nullptr;
        other.m_pUnusedNodes = nullptr;
        other.m_nUnusedNodes = 0;
    }

    Node* m_pHead;
    Node* m_pTail;
    Node* m_pCurrent;
    int m_nIndexBase;
    int m_nCurrentPos;
    int m_nCount;
    int m_nElementSize;
    T m_DefaultElement;
    CeListCopyFn m_pfnCopy;
    CeListFreeFn m_pfnFree;
    CeListCompareFn m_pfnCompare;
    Node* m_pFreeNodes = nullptr;  // chained by next
    NodeBlock* m_pNodeBlocks = nullptr;
    size_t m_nNextBlockNodes = 1;
    Node* m_pUnusedNodes = nullptr;  // the newest block's nodes not yet handed out
    size_t m_nUnusedNodes = 0;
};

// ---- CeStrList ----

// A list of strings: by default owned copies (copy kind 4) in the locale's
// order ignoring case (compare kind 6).
template <class T = WCHAR*>
class CeStrList : public CePtrList<T> {
    using Base = CePtrList<T>;

public:
    explicit CeStrList(int indexBase = 0, int copyKind = 4, int compareKind = 6)
        : Base(indexBase, copyKind, compareKind)
    {}

    using Base::Append;
    using Base::Find;
    using Base::InsertAt;
    using Base::SetAt;
    // Constant text is stored through the copy policy, which copies it.
    int Append(const WCHAR* s) { return Base::Append(const_cast<T>(s)); }
    int InsertAt(int pos, const WCHAR* s) { return Base::InsertAt(pos, const_cast<T>(s)); }
    int SetAt(int pos, const WCHAR* s) { return Base::SetAt(pos, const_cast<T>(s)); }
    int Find(const WCHAR* s, int start = -1) const { return Base::Find(const_cast<T>(s), start); }
};
