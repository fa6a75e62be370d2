// Leaks on purpose, from a slot that Qt's event loop runs: under the sanitizer build's leak
// check with its suppressions this must still be reported, or a suppression hides our own leaks.
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace {

int *volatile kept = nullptr;

void leakOnPurpose()
{
    kept = new int[64];
    std::printf("leaked 256 bytes at %p\n", static_cast<void *>(kept));
    kept = nullptr; // the only pointer to the block is gone
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
