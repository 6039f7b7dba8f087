// Placeholder for a core folder that has no sources yet.
