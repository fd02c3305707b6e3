# guide-snippets.awk GUIDE.md: the guide's C++ blocks (```cpp ... ```), each
# preceded by a #line directive that names its place in the guide, so that a
# compiler's message points there. Their #include lines are left to the test
# that includes the result; every other line is kept as written.
/^```cpp[[:space:]]*$/ { inside = 1; printf "#line %d \"%s\"\n", NR + 1, FILENAME; next }
/^```/ && inside { inside = 0; print ""; next }
inside && /^#include/ { print ""; next }
inside { print }
