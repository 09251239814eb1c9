// A typed preference key: the name the value is stored under and what a read returns when nothing
// usable is stored.
#pragma once

#include <QString>

template<typename T>
struct LocalStoreKey
{
    using Value = T;

    QString name;
    T defaultValue {};
};
