// Entry point: the application object, the main window and the event loop.
#include "app/TQoApplication.h"
#include "app/TfmMain.h"

#include <exception>

int main(int argc, char** argv)
{
    TQoApplication app(argc, argv);
    if (TQoApplication::RefuseSecondStart())
        return 0;
    try {
        TfmMain mainWindow;
        mainWindow.show();
        app.exec();
    } catch (const std::exception& e) {
        TQoApplication::ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        TQoApplication::ShowException(QString());
    }
    return 0;
}
