// Reads the session item through the real store in a process of its own and prints it as
// base64 ("none" when absent): lets a test see what a later launch of the app would find.
#include "auth/AuthService.h"
#include "auth/SecretServiceKeychainStore.h"
#include "fakes/auth/RunTask.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    velto::SecretServiceKeychainStore store;
    const std::optional<QByteArray> data = velto::runTask(
        store.read(velto::AuthService::keychainService, velto::AuthService::keychainAccount));
    std::fputs(data ? data->toBase64().constData() : "none", stdout);
    return 0;
}
