// Keeps the test-support library non-empty while a folder has no support code of its own.
