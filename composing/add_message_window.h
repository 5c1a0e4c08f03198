#pragma once

#include <QWidget>

#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace quillet {

class MainWindowOperations;

// Where the operator writes one bulletin and sends it through the host.
class AddMessageWindow final : public QWidget {
    Q_OBJECT

public:
    explicit AddMessageWindow(MainWindowOperations& main, QWidget* parent = nullptr);

    void setToStation(const std::string& toStation);
    void setMessage(const std::string& message);

    // Sends the window's contents and closes it once the bulletin went out; after a failed
    // send it stays open as it was. A port that is not a 16-bit whole number sends nothing and
    // keeps the window open.
    void sendAndClose();

    // Texts longer than this send at the next key press in the text field.
    static constexpr int kMaxTypedLength = 67;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape closes the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    MainWindowOperations& m_main;
    QLineEdit* m_toStation = nullptr;
    QComboBox* m_combo1 = nullptr;
    QLineEdit* m_port = nullptr;
    QLineEdit* m_digi = nullptr;
    QLineEdit* m_message = nullptr;
    QPushButton* m_send = nullptr;  // Command2
    QPushButton* m_close = nullptr; // Command1
    bool m_sending = false;
};

// "1" to "9", then "A" to "Z": the characters after "BLN" of the 35 numbered and lettered
// bulletin codes.
QStringList bulletinCodeCharacters();

} // namespace quillet
