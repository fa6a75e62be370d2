// Leaks on purpose, from a slot that Qt's event loop runs: under the sanitizer build's leak
// check with its suppressions this must still be reported, or a suppression hides our own leaks.
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace {

void leakOnPurpose()
{
    static int *volatile kept = nullptr;
    kept = new int[64];
    kept = nullptr; // the only pointer to the block is gone
    std::puts("leaked 256 bytes");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTimer::singleShot(0, &app, [] {
        leakOnPurpose();
        QCoreApplication::quit();
    });
    return app.exec();
}
