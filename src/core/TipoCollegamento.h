#pragma once

// How the board is reached. Fixed by the connection check each time a board page is entered;
// none until the first check.
enum class TipoCollegamento { Nessuno, Seriale, Tcp, Mqtt };
