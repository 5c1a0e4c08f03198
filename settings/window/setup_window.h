#pragma once

#include "settings/settings.h"

#include <QPointer>
#include <QWidget>

#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace quillet {

class MessageBoxes;
class SetupOperations;

// Where the operator edits the publishing settings, saves them into the settings file and
// tries a publishing pass. Modeless; it keeps nothing beyond its controls and is deleted when
// it closes, so every opening starts from fresh controls. Texts are Windows-1252.
class SetupWindow final : public QWidget {
    Q_OBJECT

public:
    SetupWindow(SetupOperations& main, MessageBoxes& boxes, QWidget* parent = nullptr);

    // Shows the one Setup window, creating it when `window` holds none and bringing it to the
    // front otherwise, and fills it from the main window's settings: anything typed and not
    // saved is overwritten. This is what the main window's "Setup" button does.
    static SetupWindow* open(QPointer<SetupWindow>& window, SetupOperations& main,
                             MessageBoxes& boxes, QWidget* parent = nullptr);

    // The box is ticked only for exactly "TRUE".
    void setFTPEnabled(bool ftpEnabled);
    void setFTPHost(const std::string& ftpHost);
    void setFTPUserName(const std::string& ftpUserName);
    void setFTPPassword(const std::string& ftpPassword); // the plain password
    void setFTPDirectory(const std::string& ftpDirectory);
    void setCopyToEnabled(bool copy);

    // Fills every control: the six setters in their order, then the copy-to directory and
    // the page file name, which have no setter of their own.
    void fillFrom(const Settings& settings);

    // OK: writes the nine settings through the main window, one key after the other, and
    // closes. When a key cannot be written the window stays open and says why and which
    // keys were and were not saved; the keys before it stay written.
    void save();
    // Test Webpage: one publishing pass from the saved settings, then "done." once it has
    // succeeded, or a warning with what failed.
    void testWebpage();

protected:
    // Escape closes the window as Cancel does; Enter does nothing.
    void keyPressEvent(QKeyEvent* event) override;

private:
    SetupOperations& m_main;
    MessageBoxes& m_boxes;
    QLineEdit* m_text15 = nullptr; // FTP user name
    QLineEdit* m_text13 = nullptr; // FTP password
    QLineEdit* m_text16 = nullptr; // FTP host
    QLineEdit* m_text17 = nullptr; // FTP directory
    QCheckBox* m_check4 = nullptr; // FTP upload
    QLineEdit* m_text18 = nullptr; // copy-to directory
    QCheckBox* m_check9 = nullptr; // copy
    QLineEdit* m_text1 = nullptr;  // page file name
    QCheckBox* m_publishOnChange = nullptr;
    QCheckBox* m_check10 = nullptr;    // the desktop's colours
    QPushButton* m_command2 = nullptr; // Cancel
    QPushButton* m_command1 = nullptr; // OK
    QPushButton* m_command3 = nullptr; // Test Webpage
};

} // namespace quillet
