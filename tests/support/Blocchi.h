#pragma once

#include "SimulatoreScheda.h"

#include <QByteArray>
#include <QList>

// What the simulated board received, as the end-to-end tests compare it.

// Every chunk's bytes one after the other.
QByteArray uniti(const QList<SimulatoreScheda::Blocco> &blocchi);
// Each chunk's bytes on its own: the pieces as they were written.
QList<QByteArray> pezzi(const QList<SimulatoreScheda::Blocco> &blocchi);
