"""Drawing code behind assets/generate.py: a tiny ray tracer, the two characters and the UI pictures."""
