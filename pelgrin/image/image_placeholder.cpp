// The image packaging lands with the SKU pipeline.
