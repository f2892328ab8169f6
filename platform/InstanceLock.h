// A lock that one process at a time holds, per user and machine, until it
// ends (however it ends): on POSIX systems a lock file in the user's runtime
// folder; on Windows a named mutex in the session's Local\ namespace, which
// the system lets go with the process (a lock file there would outlive it
// under a process number Windows soon gives to another).
#ifndef PLATFORM_INSTANCELOCK_H
#define PLATFORM_INSTANCELOCK_H

#include <QString>
#include <memory>

namespace Platform {

class InstanceLock {
public:
    // `name`: a plain word ("qv7310-board").
    explicit InstanceLock(const QString& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    enum class Result { Taken, HeldElsewhere, Failed };
    // Does not wait.
    Result tryLock();
    // What the lock is, for a message: "lock file /run/user/1000/x.lock".
    QString description() const;
    // The system's reason after Failed.
    QString failure() const;

    // Where the lock named `name` lives: a file path, or the mutex's name.
    static QString location(const QString& name);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace Platform

#endif
