#pragma once
// Posting: the one way work crosses loops. Call sites use the macros, which capture the posting
// function, the member as written, the source file and line for the task log:
//
//     KX_POST_TASK(ML_PLAY, this, &CPlayManagerPlayLogic::Task_PlayOneFile, info, window);
//     KX_POST_TASK_LEVEL(3, ML_PLAY, this, &CPlayManager::Task_OnTimer);
//     KX_POST_FUNCTION(ML_MAIN, boost::bind(&Reply, result));
//
// Every argument is bound by value; the task co-owns the target (taken from its
// enable_shared_from_this base, so a target not owned by a shared pointer throws
// bad_weak_ptr). The poster never waits. A post to an id with no loop is dropped.
#include <boost/bind/bind.hpp>
#include <boost/function.hpp>
#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>

#include <utility>

#include "Base/LoopIds.h"
#include "Base/Task.h"

namespace TarvexBase {

struct CPostSite {
    const char* caller;  // the posting function; a full signature is fine
    const char* boundName;  // "&Class::Method"
    const char* file;
    int line;
    int logLevel;  // 1, or 3 for tasks posted many times a second
};

// Records the site, then queues the task on the loop and wakes the loop.
void DeliverTask(int loopId, const CPostSite& site, const boost::shared_ptr<CKXTask>& task);

template <class T, class Method, class... Args>
void PostTask(int loopId, const CPostSite& site, const boost::shared_ptr<T>& target, Method method,
              Args&&... args) {
    auto task = boost::make_shared<CKXConcreteTask<T>>(
        boost::function<void()>(boost::bind(method, target.get(), std::forward<Args>(args)...)),
        target);
    DeliverTask(loopId, site, task);
}

template <class T, class Method, class... Args>
void PostTask(int loopId, const CPostSite& site, T* target, Method method, Args&&... args) {
    PostTask(loopId, site, boost::static_pointer_cast<T>(target->shared_from_this()), method,
             std::forward<Args>(args)...);
}

// A task made from a callable alone: it has no target to keep alive.
void PostFunction(int loopId, const CPostSite& site, boost::function<void()> function);

}  // namespace TarvexBase

#define KX_POST_SITE(level, bound) \
    (::TarvexBase::CPostSite{__PRETTY_FUNCTION__, #bound, __FILE__, __LINE__, (level)})

#define KX_POST_TASK_LEVEL(level, loopId, target, method, ...) \
    ::TarvexBase::PostTask((loopId), KX_POST_SITE(level, method), (target), \
                           method __VA_OPT__(, ) __VA_ARGS__)

#define KX_POST_TASK(loopId, target, method, ...) \
    KX_POST_TASK_LEVEL(1, loopId, target, method __VA_OPT__(, ) __VA_ARGS__)

#define KX_POST_FUNCTION(loopId, function) \
    ::TarvexBase::PostFunction((loopId), KX_POST_SITE(1, function), (function))
