#pragma once

class QCoreApplication;

// The whole of brivola-ponte after the application object: options, settings, the bridge,
// SIGTERM and SIGINT for a clean stop. Returns the exit code.
int eseguiProgrammaPonte(QCoreApplication &app);
