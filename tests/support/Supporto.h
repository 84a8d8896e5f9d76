#pragma once

// Helpers shared by the test executables.
