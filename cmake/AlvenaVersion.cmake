# alvena_version_parts(<version>): sets ALVENA_VERSION_MAJOR, _MINOR and _PATCH (0 where the
# version has no such part) and ALVENA_VERSION_FOUR_PART, "major.minor.patch.0": the form of the
# manifest's and the installer's version, which Windows requires to be four numbers exactly (it
# refuses to start an exe whose manifest version is malformed). A fourth part of the version is
# left out, so that the result never has five.
function(alvena_version_parts version)
    string(REPLACE "." ";" parts "${version}")
    list(APPEND parts 0 0 0)
    list(GET parts 0 major)
    list(GET parts 1 minor)
    list(GET parts 2 patch)
    set(ALVENA_VERSION_MAJOR ${major} PARENT_SCOPE)
    set(ALVENA_VERSION_MINOR ${minor} PARENT_SCOPE)
    set(ALVENA_VERSION_PATCH ${patch} PARENT_SCOPE)
    set(ALVENA_VERSION_FOUR_PART "${major}.${minor}.${patch}.0" PARENT_SCOPE)
endfunction()
