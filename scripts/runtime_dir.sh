# Sourced by the scripts that start mirval-sim: the runtime directory where
# virtual ports are published, created with the permissions Qt requires.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=/tmp/runtime-$(id -un)
fi
mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
