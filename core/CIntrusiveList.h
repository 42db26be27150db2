#pragma once
// A doubly linked list through links that the elements carry, so that moving an
// element between lists never allocates.

struct CListLinks {
    CListLinks* pPrev = nullptr;
    CListLinks* pNext = nullptr;
};

// T derives from CListLinks; an element is on at most one list at a time.
template <typename T>
class CIntrusiveList {
public:
    bool IsEmpty() const { return m_pHead == nullptr; }
    T* Front() const { return static_cast<T*>(m_pHead); }

    void PushFront(T* p)
    {
        p->pPrev = nullptr;
        p->pNext = m_pHead;
        if (m_pHead) m_pHead->pPrev = p;
        else m_pTail = p;
        m_pHead = p;
    }

    void PushBack(T* p)
    {
        p->pNext = nullptr;
        p->pPrev = m_pTail;
        if (m_pTail) m_pTail->pNext = p;
        else m_pHead = p;
        m_pTail = p;
    }

    void Remove(T* p)
    {
        CListLinks* links = p;
        if (links->pPrev) links->pPrev->pNext = links->pNext;
        else m_pHead = links->pNext;
        if (links->pNext) links->pNext->pPrev = links->pPrev;
        else m_pTail = links->pPrev;
        links->pPrev = links->pNext = nullptr;
    }

    T* PopFront()
    {
        T* p = Front();
        if (p) Remove(p);
        return p;
    }

private:
    CListLinks* m_pHead = nullptr;
    CListLinks* m_pTail = nullptr;
};
