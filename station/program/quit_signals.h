#pragma once

#include <QObject>

class QSocketNotifier;

namespace quillet::station {

// Turns SIGTERM and SIGINT into a Qt signal, so that a host stopped from the shell or
// by a test runner still tells its clients that it is closing. One instance per process.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void quitRequested();

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace quillet::station
