// The application object: shows an exception that reaches the event loop and goes on.
#pragma once

#include <QApplication>

class TQoApplication : public QApplication
{
    Q_OBJECT
public:
    TQoApplication(int& argc, char** argv);
    // Closes a wait window still up and takes back what the constructor installed.
    ~TQoApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the toolkit's standard exception message; an empty text for thrown non-exceptions.
    static void ShowException(const QString& message);

    // Takes the data folder for this process; when another app holds it, says so and returns true,
    // and the caller ends before anything else is read or written.
    static bool RefuseSecondStart();
};
