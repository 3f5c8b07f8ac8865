// Test seam of the file wrappers: make writes fail once this many bytes were written (-1: never).
#pragma once

void failFileWritesAfter(long long bytes);
