# Fails, naming the files, when a C++ file of the tree differs from .clang-format.
# Sourced by scripts/test.

check_format() {
  local offending=()
  while IFS= read -r -d '' file; do
    clang-format --dry-run --Werror "$LIR2ORBIT_ROOT/$file" >/dev/null 2>&1 || offending+=("$file")
  done < <(git -C "$LIR2ORBIT_ROOT" ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h')
  if [ ${#offending[@]} -ne 0 ]; then
    echo "these files differ from .clang-format (run clang-format -i on them):" >&2
    printf '  %s\n' "${offending[@]}" >&2
    return 1
  fi
}
