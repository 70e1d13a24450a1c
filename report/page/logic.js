var Page = {};
