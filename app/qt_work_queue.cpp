#include "app/qt_work_queue.h"

namespace quillet {

QtWorkQueue::QtWorkQueue(const QString& name) : m_worker(new QObject) {
    m_thread.setObjectName(name);
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

QtWorkQueue::~QtWorkQueue() {
    m_thread.quit();
    m_thread.wait();
    delete m_worker; // with the jobs still queued for it
}

void QtWorkQueue::post(Job job) {
    QMetaObject::invokeMethod(
        m_worker,
        [job = std::move(job), receiver = &m_receiver] {
            if (Apply apply = job()) {
                QMetaObject::invokeMethod(receiver, std::move(apply), Qt::QueuedConnection);
            }
        },
        Qt::QueuedConnection);
}

} // namespace quillet
