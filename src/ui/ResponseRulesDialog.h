#pragma once

#include "reception/ResponseRules.h"

#include <QDialog>

class MessageBoxService;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The editor of the response rules file: lists its rules in order (a
// malformed one marked with its error), adds, edits, moves and deletes
// them, tries the list on a sample datagram, and saves the file. Comment
// lines travel with the rule below them. Nothing is written before 保存.
class ResponseRulesDialog final : public QDialog {
    Q_OBJECT

public:
    ResponseRulesDialog(const QString &rulesFile, MessageBoxService &boxes, QWidget *parent = nullptr);

    // The rule lines as shown, in order.
    QStringList ruleLines() const;
    bool modified() const { return m_modified; }

    void addRule();
    void moveRule(int step);
    void deleteRule();
    void tryRules();
    bool save();

    // Closing with unsaved changes asks first.
    void reject() override;

Q_SIGNALS:
    // The file was saved: the rules in use are to be read again.
    void saved();

private:
    void createControls();
    void load();
    void showRules(int current);
    void showCurrentRule();
    void ruleEdited(const QString &text);
    QString itemText(const responserules::Entry &entry, int line) const;
    int currentIndex() const;

    QString m_file;
    MessageBoxService &m_boxes;
    responserules::Entries m_entries;
    bool m_modified = false;

    QListWidget *m_lstRules = nullptr;
    QPushButton *m_cmdAdd = nullptr;
    QPushButton *m_cmdUp = nullptr;
    QPushButton *m_cmdDown = nullptr;
    QPushButton *m_cmdDelete = nullptr;
    QLineEdit *m_txtRule = nullptr;
    QLabel *m_lblRuleCheck = nullptr;
    QLineEdit *m_txtSample = nullptr;
    QLineEdit *m_txtSampleSender = nullptr;
    QPushButton *m_cmdTry = nullptr;
    QLabel *m_lblTryResult = nullptr;
    QPushButton *m_cmdSave = nullptr;
    QPushButton *m_cmdClose = nullptr;
};
