// What the fuzz targets share: a broken property stops the run (libFuzzer then keeps the input as a
// crash), the input split into a selector byte and the bytes to parse, and the one Qt application
// object that fonts and text documents need.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// Prints the property and the detail, then aborts.
void fuzzRequire(bool condition, const char* property, const QString& detail = {});

struct FuzzInput
{
    std::uint8_t selector = 0; // the first byte; 0 for an empty input
    QByteArray rest;           // everything after it, in its own exactly sized buffer

    static FuzzInput from(const std::uint8_t* data, std::size_t size);
};

// A QGuiApplication on the offscreen platform, made on first use and kept for the whole run.
void ensureGuiApplication();
