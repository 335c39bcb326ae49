#pragma once

// Work queued on the user-interface thread. A subclass supplies run(); CActiveScheduler::queue
// marks the object pending and posts a dispatch naming it; the dispatch clears the flag and runs
// it on the thread that pumps the scheduler's queue. Everything here belongs to that thread.

#include "liba/nocopy.h"

class CActiveScheduler;

class CActive : private liba::Nocopy {
public:
    CActive() = default;
    // A queued object takes itself out of its scheduler's list, so no dispatch ever runs it.
    virtual ~CActive();

    bool pending() const { return m_pending; }
    // Takes the object out of its scheduler's list; a dispatch already posted for it is ignored.
    void cancel();

protected:
    friend class CActiveScheduler;
    virtual void run() = 0;

private:
    bool m_pending = false;
    // The scheduler whose list holds the object; null while not pending.
    CActiveScheduler* m_scheduler = nullptr;
};
