#pragma once

#include "base/work_queue.h"

#include <QObject>
#include <QThread>

namespace quillet {

// A work queue on a thread of its own; results come back through the window's event loop.
class QtWorkQueue final : public WorkQueue {
public:
    explicit QtWorkQueue(const QString& name);
    // Waits for the job that is running, if any; jobs not yet started are dropped, and so
    // are results not yet applied.
    ~QtWorkQueue() override;
    QtWorkQueue(const QtWorkQueue&) = delete;
    QtWorkQueue& operator=(const QtWorkQueue&) = delete;

    void post(Job job) override;

private:
    QThread m_thread;
    QObject* m_worker;  // lives on m_thread
    QObject m_receiver; // lives on the window's thread and takes the results there
};

} // namespace quillet
