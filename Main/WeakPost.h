#pragma once
// A reply posted to an object held weakly: the task locks it only when it runs, on the target's
// own loop. A reply posted with a strong reference would make the poster's loop hold the target
// for a moment, and there the target could lose its last reference and be destroyed on a loop
// that does not own it (a UI object on the play loop). Logged like any task, with the method as
// its bound name.
#include <boost/bind/bind.hpp>
#include <boost/function.hpp>
#include <boost/weak_ptr.hpp>

#include <utility>

#include "Base/PostTask.h"

template <class T, class Method, class... Args>
void PostToWeak(int loopId, const TarvexBase::CPostSite& site, const boost::weak_ptr<T>& target, Method method,
                Args&&... args) {
    boost::function<void(T*)> call(boost::bind(method, boost::placeholders::_1, std::forward<Args>(args)...));
    TarvexBase::PostFunction(loopId, site, [target, call] {
        if (auto object = target.lock()) call(object.get());
    });
}

#define KX_POST_WEAK(loopId, target, method, ...) \
    PostToWeak((loopId), KX_POST_SITE(1, method), (target), method __VA_OPT__(, ) __VA_ARGS__)
