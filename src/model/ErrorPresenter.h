#pragma once

#include <QString>

// Shows file errors to the user. The model knows no widgets: the designer installs
// a presenter that opens a warning message box, flowctl one that prints to stderr,
// tests one that records the text. Without one, the log line is all there is.
class ErrorPresenter {
public:
    virtual ~ErrorPresenter() = default;
    virtual void showWarning(const QString& title, const QString& text) = 0;

    static void install(ErrorPresenter* presenter);  // not owned; nullptr removes it
    static ErrorPresenter* installed();
    // Hands the text to the installed presenter, if any.
    static void warn(const QString& title, const QString& text);
};
