#pragma once

#include <QString>

// libmosquitto is opened at the first use of an MQTT client, not by the loader at start: the
// panel starts without it when it never uses the broker. The library's functions are defined
// here as calls into the opened library.
namespace LibreriaMosquitto {

// Opens the library if not yet open; false with the loader's reason when it cannot be.
bool apri(QString *errore = nullptr);

} // namespace LibreriaMosquitto
