#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <functional>

class Flow;
class QWidget;

// Keeps the designer from losing what is in its flow file. It opens a path that does
// not exist yet as a new flow, tells the user what a file that could not be read
// completely still gave, and asks before a save would overwrite such a file, or one
// that another program changed since it was read or last written.
class FlowFileGuard {
    Q_DECLARE_TR_FUNCTIONS(FlowFileGuard)
public:
    // A yes-or-no question; tests answer it without a modal box.
    using Question = std::function<bool(QWidget* parent, const QString& text)>;

    explicit FlowFileGuard(const QString& path);
    void setQuestion(Question question);

    // Loads the file into `flow`; a path with no file yet leaves the flow new and empty.
    void load(Flow* flow);
    // True when `flow` may now be written over the file, asking first where needed.
    bool maySave(QWidget* parent, const Flow& flow);
    // The file holds the flow now.
    void saved();

private:
    QByteArray fingerprint() const;

    QString m_path;
    bool m_readCompletely = true;  // the file holds nothing the flow lacks
    QByteArray m_known;            // the file's fingerprint when last read or written
    Question m_ask;
};
