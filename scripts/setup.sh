# Shared by ./run and ./test: install what is missing (Debian, as root), configure and build.
# Sourced, not run.

LANTERN_PACKAGES=(g++ cmake make libgtest-dev libexpat1-dev qt6-base-dev qt6-qpa-plugins
                  fonts-liberation libncurses-dev inform6-compiler inform6-library dpkg-dev file
                  groff-base tmux # the terminal test
                  nlohmann-json3-dev # lantern --json
                  python3-dev pybind11-dev python3-pytest # the Python module and its tests
                  libsdl2-dev libsdl2-mixer-dev # sounds and music
                  pkg-config libvorbis-dev # the sound tests' Ogg Vorbis music
                  clang libclang-rt-14-dev clang-tidy) # the fuzzer and the lint of .ci/run

lantern_install_missing() {
    local missing=()
    local package
    for package in "${LANTERN_PACKAGES[@]}"; do
        dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

# lantern_build DIR [cmake options...]: configure once, then build incrementally.
# LANTERN_WERROR=ON in the environment (CI) makes compiler warnings errors.
lantern_build() {
    local dir="$1"
    shift
    local werror="${LANTERN_WERROR:-OFF}"
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -DLANTERN_WERROR="$werror" "$@"
    elif ! grep -q "^LANTERN_WERROR:BOOL=$werror\$" "$dir/CMakeCache.txt"; then
        cmake -S . -B "$dir" -DLANTERN_WERROR="$werror" >/dev/null
    fi
    cmake --build "$dir" -j2
}
