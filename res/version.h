#pragma once

// Shared by the resource script and the C++ code.
#define ALVENA_VERSION_MAJOR 1
#define ALVENA_VERSION_MINOR 0
#define ALVENA_VERSION_PATCH 0
#define ALVENA_VERSION_TEXT "1.0.0"
#define ALVENA_FILE_DESCRIPTION "Alvena - Asistente clinico"
