// Writes keys to a settings file as a second running copy of the program would.

#include "platform/userdefaults.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    const int count = args[3].toInt();
    for (int i = 0; i < count; ++i) {
        // A fresh instance each time, as separate launches would have.
        sleevelight::UserDefaults defaults(args[1]);
        defaults.setInteger(i, args[2] + QString::number(i));
        if (!defaults.synchronize())
            return 1;
    }
    return 0;
}
